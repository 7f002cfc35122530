// The export writer with any values, field names and custom layout, in every format: the text
// is composed without a crash.
#include "core/dict.h"
#include "exchange/exportwriter.h"
#include "fuzzinput.h"

using namespace quillory;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput in(data, size);
    std::vector<FieldKey> fields;
    for (int n = in.byte() % 6; n > 0; --n)
        fields.push_back({in.text(), in.text()});
    std::vector<Record> records;
    for (int n = in.byte() % 8; n > 0; --n) {
        MutableRecord r = PackedRecord::make();
        for (const FieldKey& f : fields) {
            switch (in.byte() % 4) {
            case 0:
                r->set(f.innerKey, Value::string(in.text()));
                break;
            case 1:
                r->set(f.innerKey, Value::integer(in.integer()));
                break;
            case 2:
                r->set(f.innerKey, Value::boolean(in.byte() & 1));
                break;
            default:
                break; // missing
            }
        }
        records.push_back(r);
    }
    ExportWriter writer(records, fields);
    static const ExportFormat formats[] = {ExportFormat::Custom,      ExportFormat::TabSeparated,
                                           ExportFormat::QuotedCsv,   ExportFormat::HtmlTable,
                                           ExportFormat::HtmlPage,    ExportFormat::PlainCsv,
                                           ExportFormat::SemicolonCsv};
    const ExportFormat format = formats[in.byte() % std::size(formats)];
    writer.setCustomFields(format);
    writer.fileFormatToSave = format;
    writer.useFieldNamesAsFirstRow = in.byte() & 1;
    if (format == ExportFormat::Custom) {
        writer.start_of_file = in.text();
        writer.end_of_file = in.text();
        writer.start_of_record = in.text();
        writer.end_of_record = in.text();
        writer.field_open_tag = in.text();
        writer.field_close_tag = in.text();
        writer.field_separator = in.text();
        writer.use_end_of_record_in_last_record = in.text();
    }
    writer.composeExport();
    return 0;
}
