#include "merge/counterformatchange.h"

#include "core/userdefaultkeys.h"

namespace quillory {

bool CounterFormatChange::concerns(const QString& key)
{
    return key == UserDefaultKeys::kUseLeading0 || key == UserDefaultKeys::kForceLeading0 ||
           key == UserDefaultKeys::kForcedTotalLength;
}

} // namespace quillory
