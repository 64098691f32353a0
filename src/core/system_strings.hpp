// The system string table strings.dat: 55 prompt texts in 256-byte records (record k holds
// string k+1), repaired with the default texts when it is new or short, and served through a
// cache of 55 slots where slot 1 is the most recently loaded. The strings are expanded where they
// are printed (term/system_text.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/record_file.hpp"

namespace vorn {

inline constexpr int kSystemStringCount = 55;
inline constexpr std::size_t kSystemStringRecordSize = 256;

// The strings of the table by what they say; each value is the string's number (1..55).
enum class SystemText : int {
    kPressAnyKey = 1,
    kChatStarted = 2,
    kChatEnded = 3,
    kAbortMessage = 4,
    kCommandPrompt = 5,
    kEditorCommandPrompt = 6,
    kSavingMessage = 7,
    kNoPostAccess = 8,
    kDestinationPrompt = 9,
    kPrivateMessage = 10,
    kMessageTitlePrompt = 11,
    kMessageBaseEmpty = 12,
    kStartReadingAt = 13,
    kReadingMessagePrompt = 14,
    kPostInThisArea = 15,
    kNewMessageTitle = 16,
    kFirstQuoteLine = 17,
    kSecondQuoteLine = 18,
    kMessageDeletedNotice = 19,
    kMessageUndeletedNotice = 20,
    kNewScanAllAreas = 21,
    kPackingArea = 22,
    kPackingComplete = 23,
    kPackAllAreas = 24,
    kMustReadAllMessages = 25,
    kUserNotFound = 26,
    kNoMailWaiting = 27,
    kBeginReadingMailAt = 28,
    kReadingMailPrompt = 29,
    kDeleteRepliedMessage = 30,
    kNewScanPointerSet = 31,
    kYouHaveMail = 32,
    kTimeExpired = 33,
    kMessagePointerDate = 34,
    kUpdateAllAreas = 35,
    kMailSentTo = 36,
    kDeleteAllReadMail = 37,
    kAutoQuote = 38,
    kInactivityTimeout = 39,
    kNotMultiNode = 40,
    kScanAllConferences = 41,
    kChatActionLine = 42,
    kChatLine = 43,
    kEnteredMultinodeChat = 44,
    kQuitMultinodeChat = 45,
    kSendToWhichNode = 46,
    kNodeOnline = 47,
    kMessageToSend = 48,
    kMessageSentTo = 49,
    kMessageToBroadcast = 50,
    kBroadcastSent = 51,
    kAddressPrompt = 52,
    kAkaPrompt = 53,
    kDidYouMean = 54,
    kUntitled = 55,
};

// The default text of string n (1..55); empty for any other n.
std::string_view DefaultSystemString(int n);

class SystemStrings {
  public:
    enum class OpenResult { kOpened, kFailed };

    // Opens (creating and repairing when needed) strings.dat in `data_path`. While the file is
    // refused with "access denied", `retry_wait` is called and the open tried again, for at most
    // `max_retries` rounds.
    template <class RetryWait>
    OpenResult open(const std::string& data_path, RetryWait&& retry_wait, int max_retries);

    // String n as stored, with its "%" codes still in it; empty for 0 or above 55.
    std::string cached(std::uint16_t n);

    void close() { file_.close(); }
    bool is_open() const { return file_.is_open(); }
    const std::array<std::uint16_t, kSystemStringCount>& slots() const { return slot_number_; }

  private:
    enum class Attempt { kOpened, kAccessDenied, kFailed };
    Attempt try_open(const std::string& path, bool& created);
    void repair(bool created);

    RecordFile file_;
    std::array<std::uint16_t, kSystemStringCount> slot_number_{};
    std::array<std::array<std::uint8_t, kSystemStringRecordSize>, kSystemStringCount> slot_text_{};
};

template <class RetryWait>
SystemStrings::OpenResult SystemStrings::open(const std::string& data_path, RetryWait&& retry_wait,
                                              int max_retries) {
    const std::string path = data_path + "strings.dat";
    for (int round = 0;; ++round) {
        bool created = false;
        const Attempt a = try_open(path, created);
        if (a == Attempt::kOpened) {
            repair(created);
            return OpenResult::kOpened;
        }
        if (a == Attempt::kFailed || round >= max_retries) return OpenResult::kFailed;
        retry_wait();
    }
}

}  // namespace vorn
