-- The guides link each other as .md files, which is right in the source
-- tree; in the zip the pages are .html, so links to them follow.
function Link(link)
  if not link.target:match("^%a[%w+.-]*:") then
    link.target = link.target:gsub("%.md$", ".html"):gsub("%.md#", ".html#")
  end
  return link
end
