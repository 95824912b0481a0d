#include "colorproc/StaticProcessors.h"

#include <utility>

namespace Nuvra {
namespace DataStorage {
namespace Detail {

void StaticFactories16to8(StaticFactory (&table)[8][8])
{
    FillStaticTable<2, 1>(table, std::make_integer_sequence<int, 8>());
}

} // namespace Detail
} // namespace DataStorage
} // namespace Nuvra
