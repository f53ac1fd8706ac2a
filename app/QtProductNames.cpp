#include "app/QtProductNames.h"

#include "app/ProductNames.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace vantor {

namespace {

QString Replaced(const QString& text)
{
    return QString::fromStdString(ReplaceProductName(text.toStdString()));
}

void ReplaceInWidget(QWidget* widget)
{
    widget->setWindowTitle(Replaced(widget->windowTitle()));
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(Replaced(button->text()));
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(Replaced(label->text()));
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(Replaced(group->title()));
    else if (auto* menu = qobject_cast<QMenu*>(widget))
        menu->setTitle(Replaced(menu->title()));
}

} // namespace

void ReplaceProductNameInCaptions(QWidget* form)
{
    ReplaceInWidget(form);
    for (QWidget* child : form->findChildren<QWidget*>())
        ReplaceInWidget(child);
    // A menu's own action carries its title, done above with the menu; the
    // replacement must run once per text, or "CV Vantor Pro" would gain a
    // second "Pro".
    for (QAction* action : form->findChildren<QAction*>()) {
        if (action->menu() == nullptr)
            action->setText(Replaced(action->text()));
    }
}

} // namespace vantor
