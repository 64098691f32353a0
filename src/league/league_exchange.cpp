#include "league/league_exchange.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "common/clock.hpp"
#include "common/directories.hpp"
#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/league_state_records.hpp"
#include "common/ranking_order.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "league/league_files.hpp"
#include "league/league_letters.hpp"

namespace vorn {

namespace {

Standing StandingOf(const HeldStanding& r) {
    Standing s;
    s.board = FromRecord(r.board);
    s.night = r.night;
    const std::size_t count = std::min<std::size_t>(r.count, kLeagueMostStandingRows);
    for (std::size_t i = 0; i < count; ++i) {
        const LeagueStandingRow& row = r.rows[i];
        s.rows.push_back(
            {row.name.str(), row.race, row.level, row.experience, row.kills, row.cities});
    }
    return s;
}

LeagueNews NewsOf(const HeldNews& r) {
    LeagueNews n;
    n.board = FromRecord(r.board);
    n.number = r.number;
    n.night = r.night;
    n.kind = static_cast<LeagueNewsKind>(r.kind);
    n.player = r.player.str();
    n.text = r.text.str();
    return n;
}

// Keeps each board's latest standing. Where each board's record is and its night are read once
// per exchange, so taking a night's standings costs what they weigh.
class StandingStore {
  public:
    explicit StandingStore(LeagueFiles& files) : files_(files) {
        RecordFile& file = files.standings();
        HeldStanding r;
        for (std::uint64_t i = 0; i < file.record_count(); ++i) {
            if (file.read(i, &r))
                held_[FromRecord(r.board)] = {i, r.count != 0 ? r.night.get() : 0};
        }
    }

    // Keeps `standing` unless the file holds one of that board's as new. True when it was taken.
    bool store(const Standing& standing, std::int64_t now) {
        RecordFile& file = files_.standings();
        const auto found = held_.find(standing.board);
        if (found != held_.end() && found->second.night >= standing.night) return false;
        const std::uint64_t at = found != held_.end() ? found->second.index : file.record_count();
        HeldStanding r;
        std::memset(&r, 0, sizeof r);
        r.board = ToRecord(standing.board);
        r.night = standing.night;
        r.arrival = files_.next_arrival();
        r.received = now;
        const std::size_t rows = std::min(standing.rows.size(), kLeagueMostStandingRows);
        r.count = static_cast<std::uint16_t>(rows);
        for (std::size_t i = 0; i < rows; ++i) {
            const StandingRow& row = standing.rows[i];
            LeagueStandingRow& out = r.rows[i];
            out.name = std::string_view(row.name).substr(0, 36);
            out.race = row.race;
            out.level = row.level;
            out.experience = row.experience;
            out.kills = row.kills;
            out.cities = row.cities;
        }
        if (!file.write(at, &r)) return false;
        held_[standing.board] = {at, standing.night};
        return true;
    }

  private:
    struct Place {
        std::uint64_t index = 0;
        std::uint32_t night = 0;  // 0: a record without rows, replaced by any standing
    };
    LeagueFiles& files_;
    std::map<NetworkAddress, Place> held_;
};

// Appends the news items not held yet. The numbers held are read once per exchange.
class NewsStore {
  public:
    explicit NewsStore(LeagueFiles& files) : files_(files) {
        RecordFile& file = files.news();
        HeldNews r;
        for (std::uint64_t i = 0; i < file.record_count(); ++i) {
            if (file.read(i, &r)) held_.insert({FromRecord(r.board), r.number});
        }
    }
    bool store(const LeagueNews& n, std::int64_t now) {
        if (!held_.insert({n.board, n.number}).second) return false;
        HeldNews r{};
        std::memset(&r, 0, sizeof r);
        r.board = ToRecord(n.board);
        r.number = n.number;
        r.night = n.night;
        r.arrival = files_.next_arrival();
        r.received = now;
        r.kind = static_cast<std::uint8_t>(n.kind);
        r.player = std::string_view(n.player).substr(0, 36);
        r.text = std::string_view(n.text).substr(0, 160);
        return files_.news().append(&r);
    }

  private:
    LeagueFiles& files_;
    std::set<std::pair<NetworkAddress, std::uint32_t>> held_;
};

std::string SentFolder(const NetworkAddress& board) {
    return std::string(kLeagueSentFolder) + "/" + AddressName(board);
}

// Lets go of the packets kept for `board` that its acknowledgement covers.
void ForgetAcknowledged(const NetworkAddress& board, const SerialRun& acked) {
    const std::string folder = SentFolder(board);
    for (const std::string& name : FilesEndingIn(folder, kPacketSuffix)) {
        const std::uint32_t serial =
            static_cast<std::uint32_t>(std::strtoul(name.c_str(), nullptr, 10));
        if (acked.has(serial)) sys::Unlink((folder + "/" + name).c_str());
    }
}

// Keeps the refused packet in league/bad/ for the sysop, with the reason in the log.
void Refuse(const std::string& path, const std::string& name, const std::string& why,
            ExchangeReport& report) {
    const std::string kept = std::string(kLeagueBadFolder) + "/" + name;
    if (sys::Rename(path.c_str(), kept.c_str()) != 0) sys::Unlink(path.c_str());
    ++report.refused;
    report.notes.push_back("league: packet " + name + " refused (" + why + "), kept in " +
                           kLeagueBadFolder);
}

// One packet from the inbound folder.
void ImportOne(const LeagueSettings& settings, LeagueFiles& files, StandingStore& standings,
               NewsStore& news, LetterStore& letters, const std::string& path,
               const std::string& name, std::int64_t now, ExchangeReport& report) {
    std::string bytes;
    if (!ReadSmallFile(path, bytes)) {
        report.notes.push_back("league: packet " + name + " cannot be read");
        return;
    }
    LeaguePacket packet;
    if (bytes.size() > kLargestPacket) return Refuse(path, name, "too large", report);
    PacketProblem problem = ReadPacketHeader(bytes, packet);
    if (problem != PacketProblem::kNone) {
        return Refuse(path, name, std::string(PacketProblemText(problem)), report);
    }
    if (packet.league != settings.name) {
        return Refuse(path, name, "of the league \"" + packet.league + "\"", report);
    }
    if (!(packet.to == settings.address)) {
        return Refuse(path, name, "for " + AddressText(packet.to) + ", not this board", report);
    }
    const LeagueBoard* from = settings.board(packet.from);
    const std::vector<const LeagueBoard*> peers = settings.peers();
    if (from == nullptr || std::find(peers.begin(), peers.end(), from) == peers.end()) {
        return Refuse(path, name,
                      "from " + AddressText(packet.from) + ", no board this one exchanges with",
                      report);
    }
    problem = ReadPacket(bytes, from->secret, packet);
    if (problem != PacketProblem::kNone) {
        return Refuse(path, name, std::string(PacketProblemText(problem)), report);
    }

    const std::size_t li = files.link(packet.from);
    LeagueLinkRecord& link = files.links[li];
    files.changed[li] = true;
    if (packet.ack) {
        SerialRun acked{link.acked_through, link.acked_above};
        if (packet.ack->through > acked.through) {
            // The run moves on: the bits noted above the old run count from the new one.
            SerialRun moved{packet.ack->through, 0};
            for (std::uint32_t i = 0; i < kLeagueMostAbove; ++i) {
                if (((acked.above >> i) & 1) != 0) moved.add(acked.through + 2 + i);
            }
            acked = moved;
        }
        for (const std::uint32_t serial : packet.ack->above) acked.add(serial);
        link.acked_through = acked.through;
        link.acked_above = acked.above;
        ForgetAcknowledged(packet.from, acked);
    }
    SerialRun applied{link.applied_through, link.applied_above};
    if (packet.serial != 0 && applied.has(packet.serial)) {
        ++report.duplicates;
        sys::Unlink(path.c_str());
        return;
    }
    for (const Standing& s : packet.standings) {
        if (!(s.board == settings.address)) standings.store(s, now);
    }
    for (const LeagueNews& n : packet.news) {
        if (!(n.board == settings.address)) news.store(n, now);
    }
    for (const LeagueLetter& l : packet.letters) letters.take(l, now, report);
    for (const LetterReceipt& r : packet.receipts) letters.take(r);
    if (packet.serial != 0) {
        if (!applied.add(packet.serial)) {
            // Too far ahead to be noted: left in the inbound folder until the gap before it fills.
            report.notes.push_back("league: packet " + name + " waits for the packets before it");
            return;
        }
        link.applied_through = applied.through;
        link.applied_above = applied.above;
        link.ack_due = 1;
    }
    link.last_contact = now;
    ++report.applied;
    sys::Unlink(path.c_str());
}

// The flow file binkd reads for `to`: outbound/NNNNnnnn.flo, outbound.ZZZ/ for another zone than
// the outbound's own, NNNNnnnn.pnt/0000PPPP.flo for a point.
std::string FlowFilePath(const LeagueSettings& settings, const NetworkAddress& to) {
    char part[32];
    std::string folder = settings.outbound;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (to.zone != settings.default_zone) {
        std::snprintf(part, sizeof part, ".%03x", to.zone);
        folder += part;
    }
    std::snprintf(part, sizeof part, "/%04x%04x", to.net, to.node);
    folder += part;
    if (to.point == 0) return folder + ".flo";
    std::snprintf(part, sizeof part, ".pnt/%08x.flo", to.point);
    return folder + part;
}

// Hands the packet to the transport. For binkd: written into league/out/ and named in the flow
// file (with "^", so binkd removes it once sent), while binkd's busy flag for that board is held.
bool Deliver(const LeagueSettings& settings, const NetworkAddress& to, const std::string& name,
             const std::string& bytes, ExchangeReport& report) {
    if (settings.transport == LeagueTransport::kFolder) {
        CreateDirectoryPath(settings.outbound);
        const bool ok = ReplaceWholeFile(settings.outbound + "/" + name, bytes, ".tmp");
        if (!ok)
            report.notes.push_back("league: " + name + " cannot be put in " + settings.outbound);
        return ok;
    }
    const std::string out_folder = std::string(kLeagueFolder) + "/out";
    CreateDirectoryPath(out_folder);
    const std::string packet_path = out_folder + "/" + name;
    if (!ReplaceWholeFile(packet_path, bytes, ".tmp")) {
        report.notes.push_back("league: " + packet_path + " cannot be written");
        return false;
    }
    char absolute[PATH_MAX];
    if (::realpath(packet_path.c_str(), absolute) == nullptr) return false;
    const std::string flow = FlowFilePath(settings, to);
    const std::string flow_folder = flow.substr(0, flow.rfind('/'));
    CreateDirectoryPath(flow_folder);
    const std::string busy = flow.substr(0, flow.size() - 4) + ".bsy";
    int busy_fd = -1;
    for (int tries = 0; tries < 50; ++tries) {
        busy_fd = sys::Open(busy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kGameFileMode);
        if (busy_fd >= 0 || errno != EEXIST) break;
        ::usleep(100'000);
    }
    if (busy_fd < 0) {
        report.notes.push_back("league: binkd holds " + busy + "; " + name +
                               " goes with a later run");
        return false;
    }
    const int fd =
        sys::Open(flow.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kGameFileMode);
    const bool ok = fd >= 0 && WriteAll(fd, "^" + std::string(absolute) + "\n");
    if (fd >= 0) sys::Close(fd);
    sys::Close(busy_fd);
    sys::Unlink(busy.c_str());
    if (!ok) report.notes.push_back("league: " + flow + " cannot be written");
    return ok;
}

// A kept packet's time is when it was last sent.
void StampSent(const std::string& path, std::int64_t now) {
    const struct timespec times[2] = {{now, 0}, {now, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Sends again what `board` has not acknowledged: a packet below one it acknowledged at once (it
// told of the gap), the others a day after they were last sent.
void SendAgain(const LeagueSettings& settings, LeagueLinkRecord& link, std::int64_t now,
               ExchangeReport& report) {
    const NetworkAddress board = FromRecord(link.address);
    const SerialRun acked{link.acked_through, link.acked_above};
    std::uint32_t highest_acked = acked.through;
    for (std::uint32_t i = 0; i < kLeagueMostAbove; ++i) {
        if (((acked.above >> i) & 1) != 0) highest_acked = acked.through + 2 + i;
    }
    const std::string folder = SentFolder(board);
    for (const std::string& name : FilesEndingIn(folder, kPacketSuffix)) {
        const std::uint32_t serial =
            static_cast<std::uint32_t>(std::strtoul(name.c_str(), nullptr, 10));
        if (acked.has(serial)) continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) continue;
        const bool gap = serial < highest_acked;
        const std::int64_t last = static_cast<std::int64_t>(st.st_mtime);
        if (!gap && now - last < kResendAfter) continue;
        std::string bytes;
        LeaguePacket header;
        if (!ReadSmallFile(path, bytes) ||
            ReadPacketHeader(bytes, header) != PacketProblem::kNone) {
            sys::Unlink(path.c_str());
            continue;
        }
        if (Deliver(settings, board, PacketFileName(header), bytes, report)) {
            ++report.resent;
            StampSent(path, now);
        }
    }
}

// Whether an item that arrived from `origin` goes to `peer`: this board's own go to every peer,
// and the hub passes every board's on to the others.
bool GoesTo(const LeagueSettings& settings, const NetworkAddress& origin,
            const NetworkAddress& peer) {
    if (origin == peer) return false;
    return origin == settings.address || settings.is_hub();
}

}  // namespace

std::string PacketFileName(const LeaguePacket& p) {
    return AddressName(p.from) + "_" + AddressName(p.to) + "_" +
           (p.serial != 0 ? Padded(p.serial) : "a" + std::to_string(p.date)) + kPacketSuffix;
}

bool ImportPackets(const LeagueSettings& settings, std::int64_t now, ExchangeReport& report) {
    LeagueFiles files;
    if (!files.open(true, report.notes)) return false;
    StandingStore standings(files);
    NewsStore news(files);
    LetterStore letters(files, settings);
    for (const std::string& name : FilesEndingIn(settings.inbound, kPacketSuffix)) {
        ImportOne(settings, files, standings, news, letters, settings.inbound + "/" + name, name,
                  now, report);
    }
    if (!files.save_links()) {
        report.notes.push_back(std::string("league: ") + kLeagueLinksFile + " cannot be written");
        return false;
    }
    return true;
}

bool ExportPackets(const LeagueSettings& settings, std::int64_t now, const Standing* own_standing,
                   const std::vector<LeagueNews>& own_news, ExchangeReport& report) {
    LeagueFiles files;
    if (!files.open(true, report.notes)) return false;
    if (own_standing != nullptr) StandingStore(files).store(*own_standing, now);
    {
        NewsStore news(files);
        for (LeagueNews n : own_news) {
            n.board = settings.address;
            n.number = ++files.links[0].last_serial;
            files.changed[0] = true;
            news.store(n, now);
        }
    }
    LetterStore letters(files, settings);
    letters.send_again(now);
    const std::uint32_t arrivals = files.links[0].relayed_through;
    // Read once: what each board is sent is picked from these by their arrival numbers.
    std::vector<HeldStanding> standings(files.standings().record_count());
    for (std::uint64_t i = 0; i < standings.size(); ++i) {
        if (!files.standings().read(i, &standings[i])) standings[i].arrival = 0;
    }
    std::vector<HeldNews> news(files.news().record_count());
    for (std::uint64_t i = 0; i < news.size(); ++i) {
        if (!files.news().read(i, &news[i])) news[i].arrival = 0;
    }
    for (const LeagueBoard* peer : settings.peers()) {
        const std::size_t li = files.link(peer->address);
        LeagueLinkRecord& link = files.links[li];
        SendAgain(settings, link, now, report);

        LeaguePacket packet;
        packet.league = settings.name;
        packet.from = settings.address;
        packet.to = peer->address;
        packet.date = now;
        const SerialRun applied{link.applied_through, link.applied_above};
        packet.ack = applied.ack();
        const auto wanted = [&](const auto& r) {
            return r.arrival > link.relayed_through &&
                   GoesTo(settings, FromRecord(r.board), peer->address);
        };
        for (const HeldStanding& s : standings) {
            if (wanted(s)) packet.standings.push_back(StandingOf(s));
        }
        for (const HeldNews& n : news) {
            if (wanted(n)) packet.news.push_back(NewsOf(n));
        }
        letters.pick(peer->address, link.relayed_through, packet);
        const bool has_news = !packet.standings.empty() || !packet.news.empty() ||
                              !packet.letters.empty() || !packet.receipts.empty();
        if (!has_news && link.ack_due == 0) continue;
        if (has_news) packet.serial = link.last_serial + 1;
        const std::string bytes = WritePacket(packet, peer->secret);
        const std::string name = PacketFileName(packet);
        if (has_news) {
            const std::string kept =
                SentFolder(peer->address) + "/" + Padded(packet.serial) + kPacketSuffix;
            CreateDirectoryPath(SentFolder(peer->address));
            if (!ReplaceWholeFile(kept, bytes, ".tmp")) {
                report.notes.push_back("league: the packet for " + AddressText(peer->address) +
                                       " cannot be kept; nothing sent");
                continue;
            }
            StampSent(kept, now);
            link.last_serial = packet.serial;
            link.relayed_through = arrivals;
        }
        // A packet kept in sent/ goes again later when this delivery fails.
        if (Deliver(settings, peer->address, name, bytes, report)) {
            ++report.sent;
            link.ack_due = 0;
            link.last_sent = now;
        }
        files.changed[li] = true;
    }
    if (!files.save_links()) {
        report.notes.push_back(std::string("league: ") + kLeagueLinksFile + " cannot be written");
        return false;
    }
    return true;
}

void TellTheLeague(LeagueNewsKind kind, std::string_view player, std::string_view text) {
    if (!IsFile(kLeagueFile)) return;
    CreateDirectoryPath(kLeagueFolder);
    DeedRecord deed{};
    std::memset(&deed, 0, sizeof deed);
    deed.kind = static_cast<std::uint8_t>(kind);
    deed.player = player.substr(0, 36);
    deed.text = text.substr(0, 160);
    // One write in append mode: deeds of nodes at the same moment land one after the other.
    const int fd =
        sys::Open(kLeagueDeedsFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kGameFileMode);
    if (fd < 0) return;
    WriteAll(fd, &deed, sizeof deed);
    sys::Close(fd);
}

std::vector<LeagueNews> TakeDeeds(std::uint32_t night) {
    // Moved aside first, so a deed noted meanwhile starts a new file; a file moved aside by a
    // run that ended before reading it is read now.
    const std::string taken = std::string(kLeagueDeedsFile) + ".taken";
    if (!IsFile(taken)) sys::Rename(kLeagueDeedsFile, taken.c_str());
    std::vector<LeagueNews> news;
    RecordFile file;
    if (!file.open(taken, sizeof(DeedRecord), RecordFile::Access::kRead)) return news;
    DeedRecord deed;
    for (std::uint64_t i = 0; i < file.record_count(); ++i) {
        if (!file.read(i, &deed) || deed.kind < 1 || deed.kind > 4) continue;
        news.push_back({{},
                        0,
                        night,
                        static_cast<LeagueNewsKind>(deed.kind),
                        deed.player.str(),
                        deed.text.str()});
    }
    file.close();
    sys::Unlink(taken.c_str());
    return news;
}

Standing BoardStanding(const NetworkAddress& board, std::uint32_t night) {
    Standing s;
    s.board = board;
    s.night = night;
    RankedUsers ranked;
    if (!ranked.open(kUsersFile)) return s;
    RecordFile extra;
    const bool has_extra =
        extra.open(kUserExtraFile, sizeof(UserExtraRecord), RecordFile::Access::kRead);
    for (std::uint64_t p = 0; p < ranked.count() && s.rows.size() < kLeagueMostStandingRows; ++p) {
        UserRecord u;
        if (!ranked.read(p, u)) break;
        if (!InRanking(u)) continue;
        StandingRow row{u.name.str(), u.race, u.level, u.experience, u.kills, 0};
        UserExtraRecord x;
        if (has_extra && u.number >= 1 && extra.read(u.number - 1u, &x)) {
            for (const I32& city : x.cities)
                row.cities = static_cast<std::uint16_t>(row.cities + (city != 0));
        }
        s.rows.push_back(row);
    }
    return s;
}

BoardSummary SummaryOf(const LeagueView& view, const NetworkAddress& board) {
    BoardSummary summary;
    for (const LeagueView::Link& l : view.links) {
        if (l.board == board) {
            summary.last_contact = l.last_contact;
            summary.unacknowledged = l.unacknowledged;
        }
    }
    for (const Standing& s : view.standings) {
        if (s.board == board) summary.players = s.rows.size();
    }
    return summary;
}

std::string ContactText(std::int64_t seconds) {
    if (seconds <= 0) return "never";
    const DateTime t = DateTimeOf(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", t.month, t.day, t.year, t.hour,
                  t.minute);
    return text;
}

std::string BoardName(const LeagueSettings& settings, const NetworkAddress& address) {
    if (address == settings.address) return settings.short_name;
    const LeagueBoard* board = settings.board(address);
    return board != nullptr ? board->name : AddressText(address);
}

std::vector<LeagueRankRow> LeagueRanking(const LeagueSettings& settings, const LeagueView& view) {
    std::vector<LeagueRankRow> rows;
    for (const Standing& s : view.standings) {
        const std::string board = BoardName(settings, s.board);
        for (const StandingRow& r : s.rows) rows.push_back({board, r});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const LeagueRankRow& a, const LeagueRankRow& b) {
        return a.row.experience > b.row.experience;
    });
    return rows;
}

bool ReadLeagueView(LeagueView& view) {
    LeagueFiles files;
    std::vector<std::string> notes;
    if (!files.open(false, notes)) return false;
    view = LeagueView{};
    HeldStanding s;
    for (std::uint64_t i = 0; i < files.standings().record_count(); ++i) {
        if (files.standings().read(i, &s)) view.standings.push_back(StandingOf(s));
    }
    HeldNews n;
    for (std::uint64_t i = 0; i < files.news().record_count(); ++i) {
        if (files.news().read(i, &n)) view.news.push_back(NewsOf(n));
    }
    for (std::size_t i = 1; i < files.links.size(); ++i) {
        const LeagueLinkRecord& l = files.links[i];
        const SerialRun acked{l.acked_through, l.acked_above};
        std::uint32_t open = 0;
        for (std::uint32_t serial = l.acked_through + 1; serial <= l.last_serial; ++serial) {
            open += acked.has(serial) ? 0 : 1;
        }
        view.links.push_back({FromRecord(l.address), l.last_contact, open});
    }
    return true;
}

}  // namespace vorn
