// Template markers of sysop-drawn screens: the slots where a screen wants its values, the value
// markers of list rows (forms), and the top/mid/bot list screens built from them.
#pragma once

#include <string_view>

namespace vorn {

struct Session;

// Record the cursor and colour in slot n (0..31) or marker n (0..20); other numbers are ignored.
void MarkSlot(Session& session, int n);
void MarkMarker(Session& session, int n);
// Moves to slot n with its colour when it is set; returns whether it was.
bool GoToSlot(Session& session, int n);

// Form value n (1..16), cut to 70 characters. A value is data (a name, a subject, a number):
// it keeps its colour codes and no other code, whoever typed it.
void SetFormValue(Session& session, int n, std::string_view value);
// Prints form value n with the pending parameter and width, then forgets the parameter.
void PrintFormValue(Session& session, int n);
// Prints the loaded form text once with the value markers of form mode `mode`.
void ShowForm(Session& session, int mode);

// "~" + a + b in a display file shown in template mode `mode`.
void ApplyFileMarker(Session& session, int mode, char a, char b);
// The value number (from 1) of marker a + b in form mode `mode`; 0 when the mode does not know
// it, -1 when the mode has no list at all.
int FormMarkerIndex(int mode, char a, char b);

// List screens: name + "top", "mid" and "bot".
bool ListScreensExist(Session& session, std::string_view list);
// Shows the top file (mode 33), switches paging on counting the rows it covered, and loads the
// mid file as the row form. False when the mid file cannot be loaded.
bool BeginListScreens(Session& session, std::string_view list);
// One row: the form in form mode `mode`, counted for paging.
void ShowListRow(Session& session, int mode);
void EndListScreens(Session& session, std::string_view list);

}  // namespace vorn
