#pragma once
// The tag lookup shared by readSongTags and the decoder's open, which reads them in passing.
#include "audio/SongTags.h"

struct AVFormatContext;

namespace vantrel::audio {

// From the container's tags, then the stream's (Ogg keeps its comments there).
SongTags tagsOf(const AVFormatContext* format, int stream);

}  // namespace vantrel::audio
