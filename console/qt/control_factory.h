#pragma once
// The Qt window's controls made from the layout table: each kind of row as its widget, at its designed
// box, in its face and colours, named after its row.
#include <QColor>
#include <QFont>
#include <QPalette>

#include "console/console_view.h"
#include "console/window_layout.h"

class QWidget;

namespace korva::console {

QColor ColourOf(const Rgb& colour);
QFont FontOf(const layout::Font& font);
// The widget's own palette with role in colour.
void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

// The widget for design, a child of parent; a disabled box shows buttonFace.
QWidget* MakeControl(QWidget* parent, const layout::Control& design, const QColor& buttonFace);

// While it lives, one of the window's own faces is the application's font and the window's. A line edit
// lays its empty text out the moment it is created, in those fonts, before it takes its own: in the
// desktop's face that would set up a font engine (a fontconfig match, some 4 % of the start-up) for a
// face the window never shows. Gives the application its font back; the window's is the caller's to set.
// Qt counts the application's font as the program's from then on, so a desktop font changed while the
// console runs reaches its message boxes and tooltips at the next start.
class BuildingFace {
public:
    BuildingFace(QWidget& window, const QFont& face);
    ~BuildingFace();
    BuildingFace(const BuildingFace&) = delete;
    BuildingFace& operator=(const BuildingFace&) = delete;

private:
    const QFont desktopFont_;
};

}  // namespace korva::console
