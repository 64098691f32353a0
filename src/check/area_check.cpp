// The message areas: the area records, and per area whole headers, text lines and last-read
// records, headers that point into the text file, messages in the order they were written, and
// what a pack left behind.
#include <dirent.h>

#include <algorithm>
#include <set>

#include "check/check_context.hpp"
#include "common/file_calls.hpp"
#include "common/message_area_files.hpp"
#include "common/message_base.hpp"
#include "common/record_file.hpp"

namespace vorn::check {

namespace {

constexpr std::size_t kHeaderBlock = 1024;

std::vector<std::string> DirectoryNames(const Context& c) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(c.directory.empty() ? "." : c.directory.c_str())) {
        while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

// The text lines a header may name: those the text file holds from its first line on.
std::uint16_t LinesThere(const MessageHeader& h, std::uint64_t text_records) {
    if (h.text_start == 0 || h.text_start - 1u >= text_records) return 0;
    return static_cast<std::uint16_t>(
        std::min<std::uint64_t>(h.text_lines, text_records - (h.text_start - 1u)));
}

void CheckHeaders(Context& c, const std::string& base, std::uint64_t headers,
                  std::uint64_t text_records) {
    const std::string name = base + kMessageHeaderExtension;
    const std::string path = c.path(name);
    RecordFile file;
    if (!file.open(path, sizeof(MessageHeader), RecordFile::Access::kRead)) return;
    std::vector<MessageHeader> block(kHeaderBlock);
    std::uint32_t last_written = 0;
    for (std::uint64_t first = 0; first < headers; first += kHeaderBlock) {
        const std::uint64_t n = std::min<std::uint64_t>(kHeaderBlock, headers - first);
        if (FullPread(file.fd(), block.data(), n * sizeof(MessageHeader),
                      static_cast<off_t>(first * sizeof(MessageHeader))) !=
            static_cast<long>(n * sizeof(MessageHeader))) {
            return;
        }
        for (std::uint64_t i = 0; i < n; ++i) {
            const MessageHeader& h = block[i];
            const std::uint64_t index = first + i;
            const std::string message = "message " + std::to_string(index + 1);
            if (h.text_lines != 0 && LinesThere(h, text_records) != h.text_lines) {
                c.problem(name,
                          message + " has " + std::to_string(h.text_lines) + " lines from line " +
                              std::to_string(h.text_start) + ", but " + base +
                              kMessageTextExtension + " holds " + Records(text_records),
                          Mend<MessageHeader>(path, index, [=](MessageHeader& mended) {
                              mended.text_lines = LinesThere(mended, text_records);
                              if (mended.text_lines == 0) mended.text_start = 0;
                          }));
            }
            if (h.written < last_written) {
                c.problem(name, message +
                                    " is dated before the message ahead of it: readers "
                                    "looking for new messages would pass it by");
            }
            last_written = std::max<std::uint32_t>(last_written, h.written);
        }
    }
}

void CheckArea(Context& c, const std::string& base, const std::vector<std::string>& names) {
    const std::string journal = base + kPackJournalExtension;
    if (SizeOf(c.path(journal))) {
        const std::string directory = c.directory;
        c.note(journal,
               "a pack of the area was cut short; the next program to use the area "
               "finishes it",
               [=] {
                   MessageBase area;
                   const bool ok = area.open(directory, base) && area.hold();
                   area.release();
                   return ok;
               });
        c.report.findings.back().also_changes = {base + kMessageHeaderExtension,
                                                 base + kMessageTextExtension};
        return;  // the files are in the middle of their pack
    }
    for (const std::string& name : names) {
        if (!IsPackFileName(name, base)) continue;
        const std::string path = c.path(name);
        c.note(name, "left by a pack that did not finish; the next pack removes it",
               [=] { return sys::Unlink(path.c_str()) == 0; });
    }

    const auto headers = CountRecords(c, base + kMessageHeaderExtension, sizeof(MessageHeader));
    const auto lines = CountRecords(c, base + kMessageTextExtension, sizeof(MessageTextLine));
    CountRecords(c, base + kLastReadExtension, sizeof(LastReadRecord));
    if (headers) CheckHeaders(c, base, *headers, lines.value_or(0));
}

}  // namespace

void CheckMessageAreas(Context& c) {
    std::vector<std::string> bases;
    MessageAreaRecord email;
    if (SizeOf(c.path(kEmailAreaFile))) {
        CountRecords(c, kEmailAreaFile, sizeof(MessageAreaRecord));
        if (ReadAreaRecord(c.path(kEmailAreaFile), 0, email) && !email.area_file.empty()) {
            bases.push_back(email.area_file.str());
        }
    }
    if (bases.empty()) bases.emplace_back(kEmailFileBase);

    const auto areas = CountRecords(c, kMessageAreaListFile, sizeof(MessageAreaRecord));
    for (std::uint32_t i = 0; i < areas.value_or(0); ++i) {
        MessageAreaRecord area;
        if (!ReadAreaRecord(c.path(kMessageAreaListFile), i, area)) break;
        const std::string base = area.area_file.str();
        const std::string which =
            "area " + std::to_string(i + 1) + " (" + area.area_name.str() + ")";
        if (base.empty() || base.find('/') != std::string::npos ||
            base.find('\\') != std::string::npos) {
            c.problem(kMessageAreaListFile, which + " has no usable file name");
        } else if (std::find(bases.begin(), bases.end(), base) != bases.end()) {
            c.problem(kMessageAreaListFile,
                      which + " shares its files " + base + " with another area");
        } else {
            bases.push_back(base);
        }
    }

    const std::vector<std::string> names = DirectoryNames(c);
    for (const std::string& base : bases) CheckArea(c, base, names);
}

}  // namespace vorn::check
