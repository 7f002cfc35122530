#pragma once

#include <QString>

namespace quillory {

// The three user defaults that decide how a counter is written.
struct CounterFormat
{
    bool useLeading0 = true;    // useLeading0ForField1
    bool forceLeading0 = false; // forceLeading0ForField1
    qint64 forcedTotLen = 3;    // forcedTotLenField1
};

// Writes counters as the record tables show them and as "<#>" expands.
class CounterText
{
public:
    // counter in decimal, padded with "0" to the width of maxNumInDbField1, or to the forced
    // length (at most 9); never shortened.
    static QString format(qint64 counter, qint64 maxNumInDbField1, const CounterFormat& f);
};

} // namespace quillory
