// Vornville's inn: the drunkards' talk, the tavern conversation in talk.txt that every node adds
// to, overheard gossip, and the rented room that ends the visit.
#pragma once

#include <string>
#include <string_view>

#include "common/talk_file.hpp"

namespace vorn {

struct Session;

inline constexpr const char* kDrunkTalkFile = "drunktlk.txt";

void Tavern(Session& session);
void DrunkTalk(Session& session);
// Ends the program when the player pays for a room; returns when he does not.
void RentRoom(Session& session);
void TavernTalk(Session& session);
void Overhear(Session& session);

// Line `n` (from 1) of a text file without its line end; empty when the file has no such line.
std::string TextFileLine(const std::string& path, int n);

}  // namespace vorn
