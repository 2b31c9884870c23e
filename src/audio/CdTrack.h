#pragma once
// Audio CD tracks. An audio CD has no file system on Linux, so the player names its tracks
// itself: the drive or disc image followed by "/TrackNN.cda" ("/dev/sr0/Track03.cda",
// "/home/u/disc.cue/Track03.cda"). Read with libcdio and libcdio-paranoia.
#include <memory>
#include <string>
#include <vector>

namespace vantrel::audio {

class Decoder;

// The environment variable that names the drive (or disc image) "Add audio CD tracks" reads,
// in place of the first drive that holds an audio CD.
inline constexpr const char* kCdDriveVariable = "VANTREL_CD_DRIVE";

struct CdTrackName {
    std::string source;  // the drive or the image
    int track = 0;       // as the disc numbers it, from 1
};

// The track a path names; nothing (track 0) unless the path ends in "/TrackNN.cda" and what
// comes before it is a device or a file rather than a folder (a folder would hold a real file
// of that name). Looks at the disk: not on the window's thread.
CdTrackName cdTrackOf(const std::string& path);

// The decoder of that track at `outputRate`; nullptr when the disc or image cannot be read or
// the track is not an audio track. Its length comes from the table of contents.
std::unique_ptr<Decoder> openCdTrack(const CdTrackName& name, int outputRate);

struct CdTracks {
    std::string source;              // the drive or image read; empty when none held a disc
    std::vector<std::string> paths;  // "<source>/TrackNN.cda", in track order
};

// The audio tracks of the disc in the drive kCdDriveVariable names, else of the first drive
// that holds an audio CD. Blocks while a drive spins up: never on the window's thread.
CdTracks listAudioCdTracks();

}  // namespace vantrel::audio
