// Reading the news: today's and yesterday's global news, and the player's personal news, which
// the player may delete after reading.
#pragma once

#include <string_view>

namespace vorn {

struct Session;

// "global" or "yestday".
void ShowNews(Session& session, std::string_view news_name);
// The current player's personal news, with the offer to delete it.
void ShowPersonalNews(Session& session);

}  // namespace vorn
