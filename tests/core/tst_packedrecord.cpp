#include "core/array.h"
#include "core/dict.h"
#include "core/packedrecord.h"

#include <QtTest>

#include <map>

using namespace quillory;

namespace {

RecordKeysPtr keysOf(std::initializer_list<const char*> names)
{
    std::vector<QString> keys;
    for (const char* n : names)
        keys.push_back(QString::fromUtf8(n));
    return RecordKeys::make(std::move(keys));
}

// Every kind of value a record may hold, under the keys "k0", "k1"…
std::vector<Value> everyKind()
{
    auto d = Dict::make(false);
    d->set(QStringLiteral("x"), Value::integer(1));
    return {Value(),
            Value::boolean(true),
            Value::boolean(false),
            Value::integer(-9223372036854775807LL - 1),
            Value::real(0.1),
            Value::string(QString()),
            Value::string(QStringLiteral("Zürich"), true), // Latin-1, mutable
            Value::string(QStringLiteral("Ωmega ✓ 😀")),    // needs UTF-16
            Value::string(QString(70000, u'é')),           // long, its own
            Value::unsignedInteger(18446744073709551615ull),
            Value::data(QByteArray("\0\1", 2), true),
            Value::date({12.5}),
            Value::uuid(QUuid::createUuid()),
            Value::dict(d),
            Value::array(Array::make({Value::string(QStringLiteral("a"))}))};
}

RecordKeysPtr numberedKeys(size_t n)
{
    std::vector<QString> keys;
    for (size_t i = 0; i < n; ++i)
        keys.push_back(QStringLiteral("k%1").arg(i));
    return RecordKeys::make(std::move(keys));
}

} // namespace

class TestPackedRecord : public QObject
{
    Q_OBJECT

private slots:

    void everyKindReadsBackAsGiven()
    {
        const std::vector<Value> values = everyKind();
        const MutableRecord r = PackedRecord::make(numberedKeys(values.size()), values);
        QCOMPARE(r->size(), qsizetype(values.size()));
        for (size_t i = 0; i < values.size(); ++i) {
            const Value back = r->valueAt(qsizetype(i));
            QVERIFY2(back == values[i], qPrintable(QStringLiteral("slot %1").arg(i)));
            QCOMPARE(back.isMutable(), values[i].isMutable());
            QCOMPARE(r->typeAt(qsizetype(i)), values[i].type());
            QCOMPARE(r->textAt(qsizetype(i)), values[i].toText());
        }
        QCOMPARE(r->value(u"k4"), Value::real(0.1));
        QVERIFY(r->value(u"missing").isNone());
        QVERIFY(!r->contains(u"missing"));
        // The same entries in another order make an equal record; one value more does not.
        std::vector<Value> reversed(values.rbegin(), values.rend());
        std::vector<QString> reversedKeys = numberedKeys(values.size())->keys();
        std::reverse(reversedKeys.begin(), reversedKeys.end());
        const MutableRecord other = PackedRecord::make(RecordKeys::make(reversedKeys), reversed);
        QVERIFY(*r == *other);
        other->set(QStringLiteral("k99"), Value::integer(1));
        QVERIFY(!(*r == *other));
    }

    void builderKeepsTemporaryTexts()
    {
        // Each text is a temporary gone before the record is taken.
        PackedRecord::Builder b(numberedKeys(4));
        std::vector<Record> records;
        for (int n = 0; n < 3; ++n) {
            for (int i = 0; i < 4; ++i)
                b.setValue(i, Value::string(QStringLiteral("value %1-%2").arg(n).arg(i)));
            records.push_back(b.take());
        }
        for (int n = 0; n < 3; ++n)
            for (int i = 0; i < 4; ++i)
                QCOMPARE(records[size_t(n)]->textAt(i),
                         QStringLiteral("value %1-%2").arg(n).arg(i));
        // A slot set again shows its last value only.
        b.setText(0, u"first");
        b.setInteger(0, 7);
        b.setText(1, u"one");
        b.setText(1, u"two");
        const MutableRecord last = b.take();
        QCOMPARE(last->valueAt(0), Value::integer(7));
        QCOMPARE(last->textAt(1), QStringLiteral("two"));
        QVERIFY(last->valueAt(2).isNone());
    }

    void sharedLongTextsStayShared()
    {
        // A long text that other values hold keeps one storage (a file may reference it from
        // every record); one held by nobody else is packed.
        const QString shared(40, u'x');
        const Value held = Value::string(shared);
        const MutableRecord a = PackedRecord::make(keysOf({"3"}), {held});
        const MutableRecord b = PackedRecord::make(keysOf({"3"}), {held});
        QVERIFY(a->asideAt(0) && b->asideAt(0));
        QCOMPARE(a->asideAt(0)->stringPtr()->constData(), shared.constData());
        QCOMPARE(b->asideAt(0)->stringPtr()->constData(), shared.constData());
        // A search in another case looks into the shared text as into a packed one.
        QVERIFY(a->textContains(0, u"XXX", Qt::CaseInsensitive));
        QVERIFY(!a->textContains(0, u"XXX", Qt::CaseSensitive));

        std::vector<Value> alone;
        alone.push_back(Value::string(QString(40, u'y')));
        const MutableRecord own = PackedRecord::make(keysOf({"3"}), alone);
        PackedRecord::TextView t;
        QVERIFY(!own->asideAt(0));
        QVERIFY(own->packedTextAt(0, t));
        QCOMPARE(t.size(), qsizetype(40));
        // Short texts are packed whoever else holds them.
        const MutableRecord shortOne =
            PackedRecord::make(keysOf({"3"}), {Value::string(shared.left(15))});
        QVERIFY(shortOne->packedTextAt(0, t));
    }

    void changesKeepTheRestAndCopiesStayApart()
    {
        const std::vector<Value> values = everyKind();
        const MutableRecord a = PackedRecord::make(numberedKeys(values.size()), values);
        const MutableRecord b = a->copy();
        QVERIFY(*b == *a);

        // A field added to both: the same new keys, the value at the end.
        a->set(QStringLiteral("new"), Value::string(QString()));
        b->set(QStringLiteral("new"), Value::string(QString()));
        QCOMPARE(a->keys().data(), b->keys().data());
        QCOMPARE(a->keyAt(a->size() - 1), QStringLiteral("new"));

        // Numbers overwrite in place; texts grow and shrink; a text becomes a number and back.
        const std::map<QString, Value> changed{
            {"k3", Value::integer(42)},
            {"k6", Value::string(QStringLiteral("a much longer text than before"))},
            {"k7", Value::string(QStringLiteral("ω"))},
            {"k5", Value::real(2.5)},
            {"k1", Value::string(QStringLiteral("was a mark"))}};
        for (const auto& [key, value] : changed)
            a->set(key, value);
        QVERIFY(a->remove(u"k13"));
        QVERIFY(!a->remove(u"k13"));
        QCOMPARE(a->size(), qsizetype(values.size()));
        for (size_t i = 0; i < values.size(); ++i) {
            const QString key = QStringLiteral("k%1").arg(i);
            const Value expected = i == 13                 ? Value()
                                   : changed.contains(key) ? changed.at(key)
                                                           : values[i];
            QVERIFY2(a->value(key) == expected, qPrintable(key));
            QVERIFY2(b->value(key) == values[i], qPrintable(key)); // the copy saw none of it
        }
    }

    // Texts are read, appended and searched where they are packed, in a copy as in the original.
    void textsAreReadInPlace()
    {
        const MutableRecord r =
            PackedRecord::make(keysOf({"1", "3", "4", "5"}),
                               {Value::integer(12), Value::string(QStringLiteral("Café")),
                                Value::string(QStringLiteral("Ωmega")), Value::real(1.5)})
                ->copy();
        QString out = QStringLiteral(">");
        for (qsizetype i = 0; i < r->size(); ++i)
            r->appendTextAt(i, out);
        QCOMPARE(out, QStringLiteral(">12CaféΩmega1.5"));
        QVERIFY(r->textContains(1, u"CAF", Qt::CaseInsensitive));
        QVERIFY(!r->textContains(1, u"CAF", Qt::CaseSensitive));
        QVERIFY(r->textContains(2, u"mEg", Qt::CaseInsensitive));
        QVERIFY(r->textContains(0, u"2", Qt::CaseSensitive));
        QVERIFY(!r->textContains(3, u"9", Qt::CaseSensitive));
        QCOMPARE(r->text(u"none"), QString());
        // Texts outside Latin-1 only: the copy's block holds them as the original's does.
        const MutableRecord wide = PackedRecord::make(
            keysOf({"1", "3", "4"}), {Value::integer(1), Value::string(QStringLiteral("Привет")),
                                      Value::string(QStringLiteral("日本語のテキスト"))});
        const MutableRecord wideCopy = wide->copy();
        QCOMPARE(wideCopy->text(u"3"), QStringLiteral("Привет"));
        QCOMPARE(wideCopy->text(u"4"), QStringLiteral("日本語のテキスト"));
        QVERIFY(*wideCopy == *wide);
        QCOMPARE(PackedRecord().copy()->size(), qsizetype(0));
    }

    void wideRecordsFindTheirKeys()
    {
        // Thousands of fields, nearly all empty: found by hash, nine bytes a value.
        const RecordKeysPtr keys = numberedKeys(3000);
        PackedRecord::Builder b(keys);
        for (qsizetype i = 0; i < keys->size(); ++i)
            b.setText(i, QStringView());
        b.setText(2999, u"last");
        const MutableRecord r = b.take();
        QCOMPARE(r->indexOf(u"k2999"), qsizetype(2999));
        QCOMPARE(r->indexOf(u"k1500"), qsizetype(1500));
        QCOMPARE(r->indexOf(u"k3000"), qsizetype(-1));
        QCOMPARE(r->text(u"k2999"), QStringLiteral("last"));
        QCOMPARE(r->value(u"k0"), Value::string(QString()));
        QVERIFY(r->remove(u"k0"));
        QCOMPARE(r->indexOf(u"k2999"), qsizetype(2998));
    }
};

QTEST_GUILESS_MAIN(TestPackedRecord)
#include "tst_packedrecord.moc"
