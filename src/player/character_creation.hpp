// Character creation: name, race and sub-race, sex, the attribute rolls, alignment and deity.
// The steps fill the current user record; nothing is written until logon adds the user.
#pragma once

namespace vorn {

struct Session;

// The character name question, asked until a name no player has (deleted ones too) is typed.
void ChooseCharacterName(Session& session);
// "Already exist, try again": the refusal of a name another player has.
void RefuseTakenName(Session& session);
void ChooseNameRaceSex(Session& session);
void ChooseSubrace(Session& session);
void RollAttributes(Session& session);
void ChooseAlignment(Session& session);
void ChooseDeity(Session& session);

// The whole creation in logon's order, then the starting hit points and mana.
void CreateCharacter(Session& session);

}  // namespace vorn
