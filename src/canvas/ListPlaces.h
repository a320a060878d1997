// Many entries taken out of a list at their places and put back there, each in one walk of
// the list: the objects of a design and its groups go and come back by the thousand (a paste,
// a delete and their undo), and moving the rest of the list once for each would grow with the
// square of their number.
#pragma once

#include <QList>

#include <utility>

namespace quillmark {

// Where each entry stands in the list that holds them all, the places rising.
template <typename T>
struct ListPlaces
{
    QList<qsizetype> at;
    QList<T> entries;

    bool isEmpty() const { return entries.isEmpty(); }
    qsizetype size() const { return entries.size(); }

    void append(qsizetype place, const T &entry)
    {
        at.append(place);
        entries.append(entry);
    }

    // The entries standing together from `first` on.
    static ListPlaces together(qsizetype first, const QList<T> &entries)
    {
        ListPlaces places;
        places.at.reserve(entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i)
            places.at.append(first + i);
        places.entries = entries;
        return places;
    }

    // Each entry still where it was put: nothing was added before or among them since.
    bool standIn(const QList<T> &list) const
    {
        if (at.size() != entries.size())
            return false;
        for (qsizetype i = 0; i < at.size(); ++i)
            if (at[i] < 0 || at[i] >= list.size() || (i > 0 && at[i] <= at[i - 1]) || list[at[i]] != entries[i])
                return false;
        return true;
    }

    // Takes the entries out of `list`; they must stand in it (standIn).
    void takeOutOf(QList<T> &list) const
    {
        if (at.isEmpty())
            return;
        qsizetype write = at.first();
        qsizetype next = 0;
        for (qsizetype read = write; read < list.size(); ++read) {
            if (next < at.size() && read == at[next]) {
                ++next;
                continue;
            }
            list[write++] = std::move(list[read]);
        }
        list.resize(write);
    }

    // Puts the entries back into `list` at their places, one whose place lies past the end at
    // the end: the places where they went.
    ListPlaces putBackInto(QList<T> &list) const
    {
        ListPlaces went;
        if (entries.isEmpty())
            return went;
        went.entries = entries;
        went.at.reserve(entries.size());
        QList<T> joined;
        joined.reserve(list.size() + entries.size());
        qsizetype from = 0;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            while (joined.size() < at[i] && from < list.size())
                joined.append(std::move(list[from++]));
            went.at.append(joined.size());
            joined.append(entries[i]);
        }
        while (from < list.size())
            joined.append(std::move(list[from++]));
        list = std::move(joined);
        return went;
    }
};

} // namespace quillmark
