// The ruler menu's signature commands: inserting a time or key signature at the bar the menu was
// opened on through a small dialog each, and removing the one that starts there; each is one host edit.
#pragma once

#include <string>

#include "win/types.h"

namespace pianoroll {

struct TrackView;

// Commands 4032-4035 sent to the view; false for any other command.
bool HandleSignatureCommand(TrackView* v, int command);

// The key names the key dialog offers (tonics with their spelling) and the signature of a tonic and
// mode: the one spelled as the name is (sharps for a sharp, flats for a flat) when it exists, else the
// one with the fewest accidentals. False for an unknown name.
bool SignatureOfTonic(const std::string& tonic, bool minor, int* sharps);
// The tonic's name as a signature spells it.
std::string TonicName(int sharps, bool minor);

} // namespace pianoroll
