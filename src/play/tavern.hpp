// Vornville's inn: the drunkards' talk, the tavern conversation in talk.txt that every node adds
// to, overheard gossip, and the rented room that ends the visit.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

struct Session;

inline constexpr const char* kTalkFile = "talk.txt";
inline constexpr const char* kDrunkTalkFile = "drunktlk.txt";

void Tavern(Session& session);
void DrunkTalk(Session& session);
// Ends the program when the player pays for a room; returns when he does not.
void RentRoom(Session& session);
void TavernTalk(Session& session);
void Overhear(Session& session);

// Appends `line` and a line end to `path` as one whole line, also when several nodes add to
// the file at the same moment. False when the file could not be written.
bool AppendTalkLine(const std::string& path, std::string_view line);

// Line `n` (from 1) of a text file without its line end; empty when the file has no such line.
std::string TextFileLine(const std::string& path, int n);

}  // namespace vorn
