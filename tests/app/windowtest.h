#pragma once

#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "core/userdefaults.h"
#include "support/scratchfolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTest>
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

// A window test program: offscreen, with recent documents and dialog settings kept in a
// folder of this run only.
#define QUILLORY_WINDOW_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QTemporaryDir config;                                                                      \
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());                                        \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QApplication app(argc, argv);                                                              \
        QApplication::setOrganizationName("QuilloryTest");                                         \
        QApplication::setApplicationName("QuilloryTest");                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
