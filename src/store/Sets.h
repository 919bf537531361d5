#pragma once
// Small sets over enumerations, stored as bit sets (bit i = element i).
#include <QtGlobal>
#include <initializer_list>

template <typename E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> elems)
    {
        for (E e : elems) m_bits |= Bit(e);
    }
    static constexpr TSet FromBits(quint32 bits) { TSet s; s.m_bits = bits; return s; }
    constexpr quint32 Bits() const { return m_bits; }
    constexpr bool Contains(E e) const { return (m_bits & Bit(e)) != 0; }
    constexpr bool IsEmpty() const { return m_bits == 0; }
    TSet& Include(E e) { m_bits |= Bit(e); return *this; }
    TSet& Exclude(E e) { m_bits &= ~Bit(e); return *this; }
    TSet& operator+=(TSet o) { m_bits |= o.m_bits; return *this; }
    TSet& operator-=(TSet o) { m_bits &= ~o.m_bits; return *this; }
    friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.m_bits | b.m_bits); }
    friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.m_bits & ~b.m_bits); }
    friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.m_bits & b.m_bits); }
    friend constexpr bool operator==(TSet a, TSet b) { return a.m_bits == b.m_bits; }
    friend constexpr bool operator!=(TSet a, TSet b) { return a.m_bits != b.m_bits; }

private:
    static constexpr quint32 Bit(E e) { return quint32(1) << unsigned(e); }
    quint32 m_bits = 0;
};
