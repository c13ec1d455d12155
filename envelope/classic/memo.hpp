#pragma once

namespace envelope {

// The last N answers of a pure function, found by key; a new answer takes the
// place of the oldest. Keys are compared in full, so they must hold every
// input the answer depends on (or a generation that stands for them).
template <class Key, class Value, int N>
class memo {
public:
    const Value* find(const Key& key) const
    {
        for (int i = 0; i < used_; ++i)
            if (keys_[i] == key) return &values_[i];
        return nullptr;
    }

    // The slot for key's answer, to be filled by the caller; it keeps the
    // storage of the answer it replaces.
    Value& put(const Key& key)
    {
        const int slot = next_;
        next_ = next_ + 1 == N ? 0 : next_ + 1;
        if (used_ < N) ++used_;
        keys_[slot] = key;
        return values_[slot];
    }

private:
    Key keys_[N]{};
    Value values_[N]{};
    int used_ = 0;
    int next_ = 0;
};

}  // namespace envelope
