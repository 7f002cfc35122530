#pragma once

namespace quillory {

class CliContext;
class Document;

// Tells the user of each tag that matches no field and no standard tag (UnknownTags), once per
// tag and Prototype: a run keeps them as text, as it must. Strict: the same as errors, and
// false when there were any, so that the command refuses before it creates anything.
bool checkUnknownTags(CliContext& ctx, const Document& doc, bool strict);

} // namespace quillory
