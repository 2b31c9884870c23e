#pragma once
// Keyboard reach of a window built without designer files: the Tab chain follows the order in
// which widgets were made, which is not always the order in which they are read.
#include <QList>

class QWidget;

namespace vantrel {

// Tab goes from each of `widgets` to the next, Shift+Tab back; the first keeps its place.
void SetTabOrder(const QList<QWidget*>& widgets);

// Buttons that show only a picture or a sign are known to a screen reader by their tooltip.
void NameButtonsByToolTip(QWidget* root);

}  // namespace vantrel
