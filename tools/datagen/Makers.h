#pragma once
// What each part of the generator adds to the data set. Pictures, fonts and
// sounds go into the archive; tracks, the effect and the music go loose,
// since the game opens those from the disk.

#include "tools/PakWriter.h"

#include <string>
#include <vector>

namespace DataGen {

class Typefaces;
using Files = std::vector<Tools::PakFile>;

void MakeTokens(Files& packed);
void MakeBackgrounds(Files& packed);
void MakeTracks(Files& packed, Files& loose);
void MakeVortex(Files& packed);
void MakeMenus(const Typefaces& faces, Files& packed);
void MakeScreens(const Typefaces& faces, Files& packed);
void MakeScoreFont(const Typefaces& faces, Files& packed);
void MakeEffect(Files& loose);
void MakeSounds(Files& packed);
void MakeMusic(Files& loose);
// "properties/resources.xml": every picture, sound and the font by id and group.
std::string Manifest();

} // namespace DataGen
