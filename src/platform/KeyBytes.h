#pragma once
// A key made of the bytes of plain values (numbers, points, sizes, rectangles, colours' 64-bit
// values), for the caches of drawings keyed by everything a drawing depends on.
#include <QByteArray>

#include <cstddef>
#include <type_traits>

namespace quillmark {

struct KeyBytes
{
    QByteArray bytes;

    template <typename... Values>
    void add(const Values &...values)
    {
        static_assert((std::is_trivially_copyable_v<Values> && ...));
        (bytes.append(reinterpret_cast<const char *>(&values), qsizetype(sizeof(Values))), ...);
    }
};

} // namespace quillmark
