// Finishing an ASF (.wma) file whose writing stopped part-way, for instance on a disk that
// refused the rest: the muxer could not go back to write the sizes and the length, so the
// header still holds its first placeholders and the last packet may be cut.
#pragma once

#include <windows.h>

namespace wmaudsdk {

// Cuts the file to the whole data packets it holds and rewrites the header fields that count
// them (file size, packet counts, data object size) and the play and send durations, taken
// from the last packet's send time and duration. The file needs fixed-size packets (as our
// muxer writes). Nothing here needs new room on the disk: fields are rewritten in place and
// the file only shrinks. `file` must be open for reading and writing.
HRESULT FinishCutShortAsf(HANDLE file);

}  // namespace wmaudsdk
