#pragma once

namespace quillory {

class CliContext;
class Document;

// Tags such as "<Nmae>" that match no field and no standard tag are kept as text by a run, as
// they must be; this tells the user once per tag and Prototype. Strict: the same as errors, and
// false when there were any, so that the command refuses before it creates anything.
bool checkUnknownTags(CliContext& ctx, const Document& doc, bool strict);

} // namespace quillory
