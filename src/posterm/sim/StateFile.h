#pragma once
// The simulator's tables on disk, one section per terminal, so a restart keeps
// them. Text lines (money in hundredths, dates yyyyMMdd):
//   [terminal KEY]
//   next <nextSubsidyRecNo> <nextSidyRecNo>
//   last <LastSidyLogID> <LastSubSidyLogID>
//   W <SysID> <CardNo> <Batch> <Money> <AllowDate> <DownDate> <RecNo>
//   T <SysID> <CardNo> <CardSequ> <Batch> <TakeTime> <Money> <Balance> <DeviceID> <AllowDate> <DownDate>
//   <RecNo>
// Fields are separated by TAB.
#include <map>
#include <string>
#include <string_view>

#include "TerminalStore.h"

namespace posterm {

std::string formatTerminalState(const std::string& key, const StoreState& state);
// False with a message naming the line when the text is damaged.
bool parseStateText(std::string_view text, std::map<std::string, StoreState>& out, std::string& error);
// Writes a temporary file of a fresh name beside `path` (created exclusively),
// flushes it to disk and renames it over `path`; nothing else is ever opened
// for writing.
bool writeFileAtomically(const std::string& path, const std::string& content);
bool readWholeFile(const std::string& path, std::string& content);

} // namespace posterm
