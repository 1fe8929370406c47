#pragma once

#include <QWidget>

#include <vector>

namespace varnelo {

struct MainFormControls;

/// The controls Tab visits, in the order the window creates them, group by
/// group: a group's controls come where the group itself is created.
std::vector<QWidget*> tabStops(const MainFormControls& controls);

/// Where Tab (forward) or Shift+Tab goes from a control: the next stop that
/// is shown and enabled; a group of choices is one stop, at its chosen entry.
QWidget* nextTabStop(const std::vector<QWidget*>& stops, const QWidget* from, bool forward);

/// Makes every control reachable by Tab and Shift+Tab in that order, and
/// names each for screen readers after its caption.
void setUpKeyboardAccess(const MainFormControls& controls);

} // namespace varnelo
