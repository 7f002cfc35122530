#pragma once

#include "exchange/importsession.h"

namespace quillory {

class Document;

// The import engine tied to a document: destinations from its field keys, new fields made
// through it, records numbered on from its largest counter.
class DocumentImportSession : public ImportSession
{
public:
    DocumentImportSession(std::vector<Record>* dataArray, std::vector<FieldKey>* keyArray,
                        ImportTarget* sender);
    // The document's record and key lists, with the document as requester.
    explicit DocumentImportSession(Document& document);

    // The largest counter over the records (0 for none or a record without one), plus 1.
    qint64 firstNewCounter() const;
    // The counter that the next new record takes.
    qint64 nextCounterValue() const { return m_nextCounter; }

    // A field is the destination of one column at most; "NEW_FIELD" of any number.
    void clearSharedDestinations(int row) override;

protected:
    void preImportSettings() override;
    void willImport() override;
    Record newImportRecord() override;
    void didImport() override;

private:
    qint64 m_nextCounter = 0;
    // The user fields' inner keys as the import starts; records share these strings.
    std::vector<QString> m_userInnerKeys;
};

} // namespace quillory
