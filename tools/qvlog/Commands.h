// qvlog's commands over a connected session.
#pragma once

#include "tools/qvlog/Options.h"
#include "tools/qvlog/Session.h"

Outcome ListCatalogue(Session& session, const Options& options);
Outcome DownloadFiles(Session& session, const Options& options, const std::string& defaultFolder);
Outcome GetLogSettings(Session& session, const Options& options);
Outcome SetLogSettings(Session& session, const Options& options);
