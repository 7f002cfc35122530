// Times the substitutions a run makes: field then standard substitution of a path and a content
// template for each of 100,000 records. Run: build/bench/templates/bench_tagsubstitution [records]
#include "templates/countertext.h"
#include "templates/tagsubstitution.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

using namespace quillory;

int main(int argc, char** argv)
{
    const qint64 records = argc > 1 ? std::atoll(argv[1]) : 100000;
    const QStringList tags{QStringLiteral("<First Name>"), QStringLiteral("<Last Name>"),
                           QStringLiteral("<City>"),       QStringLiteral("<Email>"),
                           QStringLiteral("<Notes>"),      QStringLiteral("<Zip>")};
    const QString path = QStringLiteral("<YY>-<M>/<City>/<#> <Last Name>, <First Name>.txt");
    const QString content =
        QStringLiteral("Dear <First Name> <Last Name>,\nyour number is <#>.\nWe write to <Email> "
                       "about <City> (<Zip>).\n<Notes>\nSent <D>/<M>/<YY> at <h>:<m>.\n");
    const QString plain = QStringLiteral("A footer without any tag at all, as many templates are.");
    const CounterFormat format;

    QElapsedTimer timer;
    timer.start();
    qint64 totalChars = 0;
    for (qint64 n = 1; n <= records; ++n) {
        const QString id = QString::number(n);
        const QStringList values{QStringLiteral("Ann") + id,   QStringLiteral("Smith"),
                                 QStringLiteral("Rome"),       QStringLiteral("ann@example.org"),
                                 QStringLiteral("Some notes"), QStringLiteral("00100")};
        const QString counter = CounterText::format(n, records, format);
        const QDateTime now = QDateTime::currentDateTime();
        for (const QString* tmpl : {&path, &content, &plain}) {
            const std::optional<QString> f =
                TagSubstitution::substituteFieldTags(*tmpl, tags, values, counter);
            const std::optional<QString> s = TagSubstitution::substituteStandardTags(f, now);
            totalChars += s ? s->size() : 0;
        }
    }
    const qint64 ms = timer.elapsed();
    std::printf("%lld records x 3 templates: %lld ms (%.2f us per record), %lld chars out\n",
                static_cast<long long>(records), static_cast<long long>(ms),
                records ? 1000.0 * double(ms) / double(records) : 0.0,
                static_cast<long long>(totalChars));
    return 0;
}
