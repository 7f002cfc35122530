#pragma once

#include "core/result.h"

#include <orcus/sax_parser.hpp>

#include <QByteArray>
#include <QString>

#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillory {

// What a handler of XmlScan does with the XML it does not look at: nothing.
struct XmlHandler
{
    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void start_element(const orcus::sax::parser_element&) {}
    void end_element(const orcus::sax::parser_element&) {}
    void characters(std::string_view, bool) {}
    void attribute(const orcus::sax::parser_attribute&) {}
};

// The attributes of the element being opened, by local name; SAX gives them before the
// element. Their strings are reused from element to element.
struct XmlAttributes
{
    std::vector<std::pair<std::string, std::string>> items;
    size_t count = 0;
    void add(const orcus::sax::parser_attribute& a)
    {
        if (count == items.size())
            items.emplace_back();
        items[count].first.assign(a.name);
        items[count].second.assign(a.value);
        ++count;
    }
    std::string_view get(std::string_view name) const
    {
        for (size_t i = 0; i < count; ++i)
            if (items[i].first == name)
                return items[i].second;
        return {};
    }
    void clear() { count = 0; }
};

// Runs liborcus's SAX parser over one XML part of a workbook with handler, and turns what
// it throws (bad XML, or a handler's XmlScan::Stop) into a failure naming the part.
class XmlScan
{
public:
    // Thrown by a handler to end the scan with a message of its own.
    struct Stop
    {
        QString message;
    };

    template <typename Handler>
    static Result<void> run(const QByteArray& xml, Handler& handler, const QString& partName)
    {
        try {
            orcus::sax_parser<Handler> parser(xml.constData(), size_t(xml.size()), handler);
            parser.parse();
        } catch (const Stop& stop) {
            return fail(stop.message);
        } catch (const std::exception& e) {
            return fail(QStringLiteral("its part %1 is damaged (%2)")
                            .arg(partName, QString::fromUtf8(e.what())));
        }
        return {};
    }

    static QString text(std::string_view utf8)
    {
        return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    }
};

} // namespace quillory
