#pragma once

#include <QStringList>

namespace quillory {

class CliContext;

// One function per subcommand; each gets the arguments after its name.
int newCommand(CliContext& ctx, const QStringList& args);
int infoCommand(CliContext& ctx, const QStringList& args);
int fieldCommand(CliContext& ctx, const QStringList& args);
int recordCommand(CliContext& ctx, const QStringList& args);
int prototypeCommand(CliContext& ctx, const QStringList& args);
int destinationCommand(CliContext& ctx, const QStringList& args);
int itemsCommand(CliContext& ctx, const QStringList& args);
int previewCommand(CliContext& ctx, const QStringList& args);
int runCommand(CliContext& ctx, const QStringList& args);
int importCommand(CliContext& ctx, const QStringList& args);
int exportCommand(CliContext& ctx, const QStringList& args);

} // namespace quillory
