#include "widgets/TabOrder.h"

#include <QAbstractButton>
#include <QWidget>

namespace vantrel {

void SetTabOrder(const QList<QWidget*>& widgets) {
    for (qsizetype i = 0; i + 1 < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i], widgets[i + 1]);
}

void NameButtonsByToolTip(QWidget* root) {
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
        if (!b->toolTip().isEmpty()) b->setAccessibleName(b->toolTip());
}

}  // namespace vantrel
