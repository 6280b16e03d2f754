#pragma once

#include <array>
#include <cassert>
#include <cstddef>

namespace morvalen {

// A fixed row of things indexed by their own number, counted from 1: item 1 to 232, scale
// 1 to 18, answer value 1 to 6. Windows keep their control arrays in it, so a cell is
// looked up by the item it holds and no caller adds or subtracts one.
template <typename T, std::size_t N> class Numbered {
public:
    static constexpr int first = 1;
    static constexpr int last = static_cast<int>(N);

    T& operator[](int number) {
        assert(number >= first && number <= last);
        return m_things[static_cast<std::size_t>(number - 1)];
    }
    const T& operator[](int number) const {
        assert(number >= first && number <= last);
        return m_things[static_cast<std::size_t>(number - 1)];
    }

    static constexpr std::size_t size() { return N; }
    // In number order, for loops that do not need the number.
    auto begin() { return m_things.begin(); }
    auto end() { return m_things.end(); }
    auto begin() const { return m_things.begin(); }
    auto end() const { return m_things.end(); }

private:
    std::array<T, N> m_things{};
};

} // namespace morvalen
