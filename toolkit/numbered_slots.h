// Slots named by small numbers, in a table that grows as numbers are used, and AutoNumber slots
// outside it, named by their address. Windows and controls keep theirs this way.
#pragma once

#include <deque>
#include <list>
#include "platform/numbers.h"

template <typename Slot>
class NumberedSlots {
public:
    explicit NumberedSlots(ObjectNumber firstBound) : bound_(firstBound), table_(firstBound + 2) {}

    ObjectNumber Bound() const { return bound_; }

    // The slot of a number (0 to the bound) or of an AutoNumber identifier; null for any other.
    Slot* Resolve(ObjectNumber number) {
        if (InTable(number)) return &table_[number];
        for (Slot& slot : automatic_)
            if (Identifier(slot) == number) return &slot;
        return nullptr;
    }

    // The table slot of a number, growing the table to the number plus 30 when it reaches the
    // bound; null for a number the table does not take. A deque keeps every slot in place.
    Slot* TableSlot(ObjectNumber number) {
        if (number < 0 || number > HighestTableNumber) return nullptr;
        if (number >= bound_) {
            bound_ = number + 30;
            table_.resize(bound_ + 2);
        }
        return &table_[number];
    }

    // A new AutoNumber slot at the head of the list; returns its identifier.
    ObjectNumber AddAutomatic() {
        automatic_.emplace_front();
        return Identifier(automatic_.front());
    }

    // Empties a table slot, or takes an AutoNumber slot out of the list.
    void Release(ObjectNumber number) {
        if (InTable(number)) {
            table_[number] = Slot{};
            return;
        }
        automatic_.remove_if([number](const Slot& slot) { return Identifier(slot) == number; });
    }

    // The AutoNumber slots, newest first.
    const std::list<Slot>& Automatic() const { return automatic_; }

    static ObjectNumber Identifier(const Slot& slot) { return reinterpret_cast<ObjectNumber>(&slot); }

private:
    bool InTable(ObjectNumber number) const { return number >= 0 && number <= bound_; }

    ObjectNumber bound_;
    std::deque<Slot> table_;     // bound + 2 slots
    std::list<Slot> automatic_;  // newest first
};
