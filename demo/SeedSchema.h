#pragma once

namespace Demo {

namespace Seeder {

class SeedWriter;

// The indexes, created once the tables are filled: building them after the
// bulk insert is faster than keeping them up to date during it.
bool createIndexes(SeedWriter& w);

} // namespace Seeder

} // namespace Demo
