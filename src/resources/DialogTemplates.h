#pragma once

#include <vector>

namespace lumicap {

// The program's dialog templates: every control with its number, text and
// place in dialog units, in tab order.
enum class ControlKind {
    DefaultButton,
    Button,
    Label,        // left-aligned static text, wraps
    CentredLabel, // centred static text, wraps
    Edit,
    CheckBox,
    EtchedLine,
    EtchedFrame,
    Icon,
    Custom, // made by the window itself (preview, progress bar)
};

struct ControlTemplate
{
    int id; // -1 for controls without a number
    ControlKind kind;
    const char *text;
    int x, y, width, height;
};

struct DialogTemplate
{
    int id;
    const char *title;
    int width, height;
    std::vector<ControlTemplate> controls;
};

const DialogTemplate &aboutTemplate();          // 100
const DialogTemplate &editorTemplate();         // 102
const DialogTemplate &helpTemplate();           // 130
const DialogTemplate &missingImagingTemplate(); // 131
const DialogTemplate &batchTemplate();          // 132
const DialogTemplate &warningTemplate();        // 133
const DialogTemplate &replaceTemplate();        // 134
const DialogTemplate &applyTemplate();          // 135
const DialogTemplate &progressTemplate();       // 208

} // namespace lumicap
