#include "merge/counterformatchange.h"

#include "core/document.h"
#include "merge/preview.h"
#include "prototypes/examplename.h"

namespace quillory {

bool CounterFormatChange::concerns(const QString& key)
{
    return key == QLatin1String("useLeading0ForField1") ||
           key == QLatin1String("forceLeading0ForField1") ||
           key == QLatin1String("forcedTotLenField1");
}

void CounterFormatChange::apply(Document& doc)
{
    emit doc.counterFormatChanged();
    if (doc.mainTabId() == QLatin1String("file") && doc.secTabId() == QLatin1String("multi"))
        ExampleName::recalcMultiNameOfFile(doc);
    if (doc.mainTabId() == QLatin1String("preview")) {
        Preview::recalcPreviewNameOfFile(doc);
        Preview::recalcContentOfFile(doc);
    }
}

} // namespace quillory
