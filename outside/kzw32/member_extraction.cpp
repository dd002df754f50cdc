#include "member_extraction.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/bounds.h"
#include "base/name_compare.h"
#include "base/sjis.h"
#include "files/archive_support.h"

namespace kzw {
namespace {

constexpr char kArchiveLibrary[] = "UNLHA32.DLL";
constexpr char kExtractEntry[] = "Unlha";
// "x -jf0 \"archive\" \"folder\\\" \"member\"": the member in quotes, since
// its path may hold spaces.
constexpr char kCommandFormat[] = "x -jf0 \"%s\" \"%s\" \"%s\"";
constexpr size_t kCommandBuffer = 32 + 3 * zanto::kPathBuffer;
constexpr size_t kReportBuffer = 61440;  // the library's report of an extraction
constexpr char kFolderFormat[] = "%sKZW32.%08lX";  // temporary directory, process id

using ExtractCall = int(WINAPI*)(HWND owner, LPCSTR command, LPSTR report, DWORD reportSize);

struct Extractions {
  char folder[zanto::kPathBuffer] = "";  // without a trailing backslash; "" until made
  std::vector<std::string> archives;     // each extracts into the folder's subfolder of its number
  char report[kReportBuffer] = "";
};
Extractions gExtractions;

bool IsSeparatorAt(const char* path, size_t i) { return path[i] == '\\' || path[i] == '/'; }

// The member's path in its archive: what follows the archive's own folder
// below an extraction root. Null when extractedPath lies below none.
const char* MemberInArchive(const char* extractedPath) {
  const size_t rootLength = sizeof zanto::kArchiveRootName - 1;
  size_t i = 0;
  while (extractedPath[i] != '\0' &&
         !(IsSeparatorAt(extractedPath, i) &&
           zanto::CompareNoCase(extractedPath + i + 1, zanto::kArchiveRootName, rootLength) == 0 &&
           IsSeparatorAt(extractedPath, i + 1 + rootLength))) {
    i += zanto::SjisCharLength(extractedPath, i);
  }
  if (extractedPath[i] == '\0') return nullptr;
  i += 2 + rootLength;  // on the archive's own folder
  while (extractedPath[i] != '\0' && !IsSeparatorAt(extractedPath, i)) i += zanto::SjisCharLength(extractedPath, i);
  if (extractedPath[i] == '\0' || extractedPath[i + 1] == '\0') return nullptr;
  return extractedPath + i + 1;
}

// The folder, made once.
bool MakeFolder() {
  if (gExtractions.folder[0] != '\0') return true;
  char temp[zanto::kPathBuffer];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) return false;
  char folder[zanto::kPathBuffer];
  const int made = snprintf(folder, sizeof folder, kFolderFormat, temp, static_cast<unsigned long>(GetCurrentProcessId()));
  if (made <= 0 || static_cast<size_t>(made) >= sizeof folder) return false;
  if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  zanto::CopyText(gExtractions.folder, sizeof gExtractions.folder, folder);
  return true;
}

// The folder archive extracts into, with its trailing backslash: one per
// archive, so that members of the same path in two archives stay apart.
bool FolderOf(const char* archive, char* directory) {
  if (!MakeFolder()) return false;
  size_t number = 0;
  while (number < gExtractions.archives.size() && !zanto::SamePath(gExtractions.archives[number].c_str(), archive)) {
    ++number;
  }
  if (number == gExtractions.archives.size()) gExtractions.archives.push_back(archive);
  const int made = snprintf(directory, zanto::kPathBuffer, "%s\\%u", gExtractions.folder, static_cast<unsigned>(number));
  if (made <= 0 || static_cast<size_t>(made) >= zanto::kPathBuffer - 1) return false;
  CreateDirectoryA(directory, nullptr);
  zanto::AppendText(directory, zanto::kPathBuffer, "\\");
  return true;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool Extract(const char* archive, const char* directory, const char* member) {
  HMODULE library = LoadLibraryA(kArchiveLibrary);
  if (library == nullptr) return false;
  const auto extract = reinterpret_cast<ExtractCall>(reinterpret_cast<void*>(GetProcAddress(library, kExtractEntry)));
  bool called = false;
  char command[kCommandBuffer];
  const int made = snprintf(command, sizeof command, kCommandFormat, archive, directory, member);
  if (extract != nullptr && made > 0 && static_cast<size_t>(made) < sizeof command) {
    extract(nullptr, command, gExtractions.report, sizeof gExtractions.report);
    called = true;  // whether the member came out tells, not the result
  }
  FreeLibrary(library);
  return called;
}

}  // namespace

bool ExtractMemberAgain(const char* archive, const char* extractedPath, char* out) {
  const char* member = MemberInArchive(extractedPath);
  char directory[zanto::kPathBuffer];
  if (member == nullptr || !FolderOf(archive, directory)) return false;
  char copy[2 * zanto::kPathBuffer];
  zanto::CopyText(copy, sizeof copy, directory);
  if (zanto::AppendText(copy, sizeof copy, member) > zanto::kMaxPath) return false;
  if (!Exists(copy) && (!Extract(archive, directory, member) || !Exists(copy))) return false;
  zanto::CopyText(out, zanto::kPathBuffer, copy);
  return true;
}

void RemoveExtractedMembers() {
  if (gExtractions.folder[0] == '\0') return;
  zanto::RemoveTree(gExtractions.folder);
  RemoveDirectoryA(gExtractions.folder);
  gExtractions.folder[0] = '\0';
  gExtractions.archives.clear();
}

}  // namespace kzw
