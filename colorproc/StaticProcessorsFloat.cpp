#include "colorproc/StaticProcessors.h"

#include <utility>

namespace Nuvra {
namespace DataStorage {
namespace Detail {

void StaticFactoriesFloat(StaticFactory (&table)[8][8])
{
    FillStaticTable<0, 0>(table, std::make_integer_sequence<int, 8>());
}

} // namespace Detail
} // namespace DataStorage
} // namespace Nuvra
