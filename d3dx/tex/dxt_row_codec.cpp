// Row access to DXT1-DXT5 data. Until the block codecs land here, these formats have no codec.
#include "row_codec.h"

namespace d3dx {

HRESULT CreateDxtRowCodec(const ImageRegion&, std::unique_ptr<RowCodec>*) { return E_FAIL; }

}  // namespace d3dx
