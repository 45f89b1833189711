// Reads an extended dialog template (DLGTEMPLATEEX) out of this module's
// resources, so that tests see the template as the dialog manager does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct TemplateItem {
    uint32_t style;
    uint32_t exStyle;
    int x, y, cx, cy;
    int id;
    std::u16string className;  // predefined classes by their names ("Button", ...)
    std::u16string text;
};

struct DialogTemplate {
    uint32_t style;
    int x, y, cx, cy;
    bool hasMenu;
    std::u16string caption;
    int pointSize;
    std::u16string typeface;
    std::vector<TemplateItem> items;
};

// False when the resource is missing or not a well-formed extended template.
bool LoadDialogTemplate(int resourceId, DialogTemplate& out);
