#pragma once

#include "core/prototype.h"

#include <vector>

namespace quillory {

class Document;

// The two sides of the files tab: All in One (`secTabId` "one") and One per Record ("multi").
enum class PrototypeSide { AllInOne, OnePerRecord };

PrototypeSide sideOf(const Prototype& proto);
// A new Prototype of the side: a fresh uuid, path "Untitled", a file, empty templates.
PrototypePtr newPrototype(PrototypeSide side);
// The side's Prototypes, in list order.
std::vector<PrototypePtr> prototypesOn(const Document& doc, PrototypeSide side);

} // namespace quillory
