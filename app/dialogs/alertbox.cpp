#include "app/dialogs/alertbox.h"

#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace quillory {

int showAlert(QWidget* window, const Alert& alert)
{
    QMessageBox box(QMessageBox::Warning, QString(), alert.messageText, QMessageBox::NoButton,
                    window);
    box.setInformativeText(alert.informativeText);
    box.setWindowModality(alert.modal ? Qt::ApplicationModal : Qt::WindowModal);
    std::vector<QPushButton*> buttons;
    for (const QString& title : alert.buttons)
        buttons.push_back(box.addButton(title, QMessageBox::ActionRole));
    if (!buttons.empty())
        box.setDefaultButton(buttons.front());
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return int(i);
    return -1;
}

} // namespace quillory
