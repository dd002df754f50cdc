// The profile reader and writer, and the settings loader over them.
//
// Profile: a fuzzed file is loaded, keys are set in sections, the image is
// saved and loaded again; every value that was set (and accepted) must read
// back as the reader's rules give it, in the session and after the reload.
// Names are drawn from a small alphabet of letters in both cases, blanks
// and double-byte characters whose trail bytes are letters, so that sections
// and keys meet each other and the fuzzed file's own entries.
//
// Settings: the settings are loaded from the saved file, saved again and
// loaded again; the second load must give the record of the first.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "base/sjis.h"
#include "profile/profile.h"
#include "search/settings_io.h"
#include "search/settings_tables.h"

namespace zanto {
void SetStartValues();
}

namespace {

// Pieces of names: one or two bytes each.
const char* const kNamePieces[] = {"a", "A", "b", "B", "k", "K", "1", "_", " ", "\t",
                                   "\x82\xA0", "\x83\x41", "\x83\x61", "\x8B\x5B", "\x8B\x7B", "=", "[", ";", "]"};
// Pieces of values: the same and the bytes the reader treats specially.
const char* const kValuePieces[] = {"x", "X", " ", "\t", ";", " ;", "=", "[", "]", "\\", "\x82\xA0",
                                    "\x83\x5C", "\x81\x40", "0", "9", "\x7F", "\x01", ",", "#", "*"};

std::string Compose(FuzzedDataProvider& in, const char* const* pieces, size_t pieceCount, size_t maxPieces) {
  std::string text;
  size_t count = in.ConsumeIntegralInRange<size_t>(0, maxPieces);
  for (size_t i = 0; i < count; ++i) text += pieces[in.ConsumeIntegralInRange<size_t>(0, pieceCount - 1)];
  return text;
}

// The name as the reader compares it: ASCII letters of single-byte
// characters folded, double-byte characters exact.
std::string Folded(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 < name.size()) {
      out += name.substr(i, 2);
      ++i;
    } else {
      out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
  }
  return out;
}

// A section name the header rule reads back as itself: no "]" (a header
// "[a]b]" is also found by the name "a") and nothing the line rules take.
bool PlainSection(const std::string& s) {
  return !s.empty() && s.find_first_of("]\r\n") == std::string::npos;
}

// A key that its own line gives back: not empty, no blank in front (the
// reader strips it), no "=", not a header or comment line.
bool PlainKey(const std::string& k) {
  return !k.empty() && k[0] != ' ' && k[0] != '\t' && k[0] != '[' && k[0] != ';' &&
         k.find('=') == std::string::npos;
}

// The value as a lookup gives it: cut before " ;" or tab-";", then leading
// blanks dropped.
std::string ReadBack(const std::string& value) {
  std::string v = value;
  for (size_t i = 0; i + 1 < v.size(); ++i) {
    if ((v[i] == ' ' || v[i] == '\t') && v[i + 1] == ';') {
      v.resize(i);
      break;
    }
  }
  size_t start = v.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : v.substr(start);
}

using Model = std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>>;

// --- Settings --------------------------------------------------------------

std::string SettingsSnapshot() {
  using namespace zanto;
  const SearchSettings& s = gSettings;
  std::string shot(reinterpret_cast<const char*>(&s.Word),
                   reinterpret_cast<const char*>(&s.DlgFontPoint + 1) - reinterpret_cast<const char*>(&s.Word));
  for (const TextSetting& row : kTextSettingTable) {
    shot += reinterpret_cast<const char*>(&s) + row.offset;
    shot += '\n';
  }
  // A history is compared by its texts in order: loading drops an empty
  // first file entry each time, so empty entries move up between loads
  // while no text is lost or changed.
  auto history = [&shot](const auto& entries) {
    for (const auto& entry : entries) {
      if (entry[0] != '\0') shot += std::string(entry) + '\n';
    }
    shot += '\n';
  };
  history(s.SearchHistory);
  history(s.FileHistory);
  history(s.DirHistory);
  for (int n = 0; n < kBlockSets; ++n) {
    const BlockSet& set = s.BlockSets[n];
    shot += std::string(set.startText) + '\n' + set.endText + '\n';
    for (int j = 0; j < kBlockPatterns; ++j) shot += std::string(1, '0' + set.endFlag[j]) + set.pattern[j] + '\n';
  }
  return shot;
}

void ResetSettings(bool commandLine) {
  using namespace zanto;
  std::memset(gSettings.SearchHistory, 0, sizeof gSettings.SearchHistory);
  std::memset(gSettings.FileHistory, 0, sizeof gSettings.FileHistory);
  std::memset(gSettings.DirHistory, 0, sizeof gSettings.DirHistory);
  SetStartValues();
  std::memset(gSettings.BlockSets, 0, kBlockSets * sizeof(BlockSet));
  gSettings.CommandLineMode = commandLine;
}

void SettingsRoundTrip(const std::string& path, bool commandLine) {
  using namespace zanto;
  if (!AllocateBlockSets()) std::abort();
  CopyText(gSettings.ProfilePath, sizeof gSettings.ProfilePath, path.c_str());
  ResetSettings(commandLine);
  LoadSettings();
  if (gSettings.ProfileUnreadable) std::abort();
  const std::string first = SettingsSnapshot();
  // The settings of a small profile always fit.
  if (!SaveSettings()) std::abort();
  ResetSettings(commandLine);
  LoadSettings();
  if (SettingsSnapshot() != first) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  const std::string path = fuzz::ScratchPath("ZANTO.INI");
  std::string file = in.ConsumeRandomLengthString(4096);
  // Shapes a mutation rarely grows into: a line longer than any lookup
  // reads past, and a section of more lines than a key lookup examines.
  const size_t at = file.empty() ? 0 : in.ConsumeIntegralInRange<size_t>(0, file.size());
  if (flags & 8) file.insert(at, std::string(zanto::kProfileMaxLine + 10, 'L') + "\r\n");
  if (flags & 16) {
    std::string lines;
    for (int i = 0; i < 1030; ++i) lines += "n" + std::to_string(i % 7) + "=\r\n";
    file.insert(at, lines);
  }
  fuzz::WriteFile(path, file);

  zanto::Profile* profile = zanto::OpenProfile(path.c_str());
  if (profile == nullptr) std::abort();  // a small file always loads

  // Set values, keyed by folded section and key; each remembers the names
  // as set and the value it must read back as.
  Model model;
  std::map<std::pair<std::string, std::string>, std::string> expected;
  const size_t pieceCount = sizeof kNamePieces / sizeof kNamePieces[0];
  const size_t valueCount = sizeof kValuePieces / sizeof kValuePieces[0];
  int operations = in.ConsumeIntegralInRange<int>(0, 24);
  for (int i = 0; i < operations && in.remaining_bytes() > 0; ++i) {
    std::string section = Compose(in, kNamePieces, pieceCount, 4);
    std::string key = Compose(in, kNamePieces, pieceCount, 4);
    std::string value = in.ConsumeBool() ? Compose(in, kValuePieces, valueCount, 12)
                                         : std::string(in.ConsumeIntegralInRange<size_t>(0, 520), 'v');
    if (!zanto::SetProfileValue(profile, section.c_str(), key.c_str(), value.c_str())) continue;
    if (!PlainSection(section) || !PlainKey(key)) {
      // A name the rules read differently may meet any remembered entry.
      model.clear();
      expected.clear();
      continue;
    }
    auto id = std::make_pair(Folded(section), Folded(key));
    model[id] = {section, key};
    expected[id] = ReadBack(value);
  }

  char out[zanto::kProfileLineOut + 1];
  auto check = [&](zanto::Profile* p) {
    for (const auto& [id, names] : model) {
      zanto::GetProfileValue(p, names.first.c_str(), names.second.c_str(), out, sizeof out);
      if (expected[id] != out) std::abort();
    }
  };
  check(profile);
  if (zanto::SaveProfile(profile, path.c_str()) != 1) std::abort();
  profile = zanto::OpenProfile(path.c_str());
  if (profile == nullptr) std::abort();
  check(profile);
  zanto::CloseProfile(profile);

  // The settings pass is slow (hundreds of keys, each looked up through the
  // whole section): one input in four, and none over the long section.
  if ((flags & 6) == 6 && (flags & 16) == 0) SettingsRoundTrip(path, (flags & 1) != 0);
  return 0;
}
