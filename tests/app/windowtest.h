#pragma once

#include "app/dialogs/importsettingsdialog.h"
#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "archive/documentcodec.h"
#include "core/document.h"
#include "core/userdefaults.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include <functional>

#include <memory>

// What the window tests share: an application with defaults and a recovery folder of its own,
// set up before each test and dropped after it, windows and all, without questions.
class WindowTestBase
{
protected:
    void startApplication()
    {
        m_defaults = std::make_unique<quillory::MemoryUserDefaults>();
        m_scratch = std::make_unique<quillory::test::ScratchFolder>();
        m_app = std::make_unique<quillory::Application>(
            m_defaults.get(), quillory::RecoveryStore(m_scratch->filePath("recovery")));
    }

    void stopApplication()
    {
        for (quillory::DocumentWindow* w : m_app->windows())
            delete w;
        m_app.reset();
    }

    // A window opened on a document saved with the fields and records given, active, with no
    // recovery copy written while the test runs.
    quillory::DocumentWindow* openSavedWindow(const QStringList& fields = {},
                                              const QList<QStringList>& rows = {})
    {
        quillory::Document doc(m_defaults.get());
        quillory::test::fillDocument(doc, fields, rows);
        const QString path = m_scratch->filePath("opened.quillory");
        if (!quillory::DocumentCodec::writeToFile(doc, path))
            qFatal("cannot write %s", qPrintable(path));
        return activated(m_app->openDocument(path));
    }

    static quillory::DocumentWindow* activated(quillory::DocumentWindow* w)
    {
        w->setRecoveryInterval(3600 * 1000);
        // Shortcuts and cell editors need the window to have the keyboard focus.
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            qWarning("the window did not become active");
        return w;
    }

    std::unique_ptr<quillory::MemoryUserDefaults> m_defaults;
    std::unique_ptr<quillory::test::ScratchFolder> m_scratch;
    std::unique_ptr<quillory::Application> m_app;
};

// Acts on the next modal window of type T once it is up (they block the test's own code). One
// that never comes fails the test and closes whatever is modal, so that the waiting code returns.
template <typename T> void onNextModal(std::function<void(T*)> act, int tries = 500)
{
    QTimer::singleShot(10, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* window = qobject_cast<T*>(modal))
            return act(window);
        if (tries > 0)
            return onNextModal<T>(act, tries - 1);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        QFAIL(T::staticMetaObject.className());
    });
}

// Presses the button titled text in the next modal window of type T, after prepare.
template <typename T> void pressInNext(const QString& text, std::function<void(T*)> prepare = {})
{
    onNextModal<T>([=](T* window) {
        if (prepare)
            prepare(window);
        for (QAbstractButton* b : window->template findChildren<QAbstractButton*>())
            if (b->text() == text)
                return b->click();
        QFAIL(qPrintable("no button " + text));
    });
}

// A menu item's title as the menu shows it, without the mnemonic's "&".
// The message an alert shows as a person reads it: markup, if the box takes its text as
// such, is rendered, and what it swallows (a tag like "<b>") is gone.
inline QString shownMessage(const QMessageBox* box)
{
    const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return QString();
    const bool markup = label->textFormat() == Qt::RichText ||
                        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    return markup ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : label->text();
}

inline QString titleOf(const QAction* action)
{
    return action ? QString(action->text()).remove(u'&') : QString();
}

// The item of the window's menu bar whose title starts with item, in the menu titled menu
// ("Edit", "Undo" finds "Undo Add Record").
inline QAction* menuItem(QMainWindow* window, const QString& menu, const QString& item)
{
    for (QAction* top : window->menuBar()->actions())
        if (top->menu() && titleOf(top) == menu)
            for (QAction* a : top->menu()->actions())
                if (!a->isSeparator() && titleOf(a).startsWith(item))
                    return a;
    return nullptr;
}

// Types text into the cell at row and column of table, as a person would: select, type, Enter.
inline void typeIntoCell(QTableView* table, int row, int column, const QString& text)
{
    const QModelIndex index = table->model()->index(row, column);
    table->setCurrentIndex(index);
    table->edit(index);
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit*>(editor));
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits the editor's text from its event loop.
    QCoreApplication::processEvents();
}

// Chooses title in the pop-up as a person does: opens it, highlights the item, presses Return.
inline void choose(QComboBox* popUp, const QString& title)
{
    const int index = popUp->findText(title);
    QVERIFY2(index >= 0, qPrintable(title));
    popUp->showPopup();
    QAbstractItemView* list = popUp->view();
    list->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(popUp->currentText(), title);
}

// Enters path as the file's name and presses Open or Save, as a person does.
inline void enterFile(QFileDialog* files, const QString& path)
{
    auto* name = files->findChild<QLineEdit*>("fileNameEdit");
    auto* buttons = files->findChild<QDialogButtonBox*>("buttonBox");
    QVERIFY(name && buttons);
    // Typed text would open the completer, which swallows the click; the name is pasted.
    name->setText(path);
    buttons->buttons().constFirst()->click();
}

// Answers the Import… command's open dialog with path, then acts in the import settings (act
// closes them, with Import or Cancel).
inline void answerImport(const QString& path,
                         std::function<void(quillory::ImportSettingsDialog*)> act)
{
    onNextModal<QFileDialog>([=](QFileDialog* files) {
        enterFile(files, path);
        onNextModal<quillory::ImportSettingsDialog>(act);
    });
}

// Clicks the push button with the object name in parent.
inline void click(QWidget* parent, const char* name)
{
    auto* button = parent->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// A window test program: offscreen, with recent documents, dialog settings and what is
// remembered per document kept in a folder of this run only.
#define QUILLORY_WINDOW_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QTemporaryDir config;                                                                      \
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());                                        \
        qputenv("XDG_STATE_HOME", config.filePath("state").toUtf8());                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QApplication app(argc, argv);                                                              \
        /* The tests answer Qt's own file dialogs; people get their platform's. */                 \
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);                                   \
        QApplication::setOrganizationName("QuilloryTest");                                         \
        QApplication::setApplicationName("QuilloryTest");                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
