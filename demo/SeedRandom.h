#pragma once

#include <QChar>
#include <QString>

#include <cstdint>
#include <random>
#include <span>

namespace Demo {

namespace Seeder {

// Deterministic on every platform: only the raw mt19937 output is used.
class SeedRandom
{
public:
    explicit SeedRandom(std::uint32_t seed) : m_engine(seed) {}
    int below(int n) { return static_cast<int>(m_engine() % static_cast<std::uint32_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int p) { return below(100) < p; }
    template <typename T> const T& pick(std::span<const T> items)
    {
        return items[below(static_cast<int>(items.size()))];
    }
    QString digits(int count)
    {
        QString out;
        for (int i = 0; i < count; ++i)
            out += QChar(u'0' + below(10));
        return out;
    }

private:
    std::mt19937 m_engine;
};

} // namespace Seeder

} // namespace Demo
