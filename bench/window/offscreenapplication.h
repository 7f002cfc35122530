#pragma once

#include "app/shell/application.h"
#include "core/userdefaults.h"

#include <QApplication>
#include <QTemporaryDir>

namespace quillory {

// The application as the window benchmarks run it: offscreen, with throwaway user defaults, a
// throwaway recovery folder and document memory, so that a benchmark never touches the user's own.
class OffscreenApplication
{
public:
    OffscreenApplication(int& argc, char** argv)
        : m_qapp((qputenv("QT_QPA_PLATFORM", "offscreen"),
                  qputenv("XDG_STATE_HOME", m_state.filePath("state").toUtf8()), argc),
                 argv),
          m_app(&m_defaults, RecoveryStore(m_state.path()))
    {}
    Application& app() { return m_app; }

private:
    QTemporaryDir m_state;
    QApplication m_qapp;
    MemoryUserDefaults m_defaults;
    Application m_app;
};

} // namespace quillory
