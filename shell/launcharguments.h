#pragma once

#include <QString>
#include <QStringList>

namespace quillory {

// What the command line of the application asks for: the documents to open (given by the
// user or by the file manager), or only the version or the usage.
struct LaunchArguments
{
    bool showVersion = false;
    bool showHelp = false;
    // --new-instance: run on its own rather than hand the documents to a running instance.
    bool newInstance = false;
    QStringList documents;
    // An option we do not know; the launch prints the usage and fails.
    QString unknownOption;

    // args without the program name. "--" ends the options; file:// URLs become paths.
    static LaunchArguments parse(const QStringList& args);
    static QString versionText();
    static QString usageText();
};

} // namespace quillory
