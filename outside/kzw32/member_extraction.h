// An archive member that a result line names, extracted again when the
// search's own extraction is gone (the program has left and removed its
// extraction root, or deleted the member after its scan): through the
// archive library the program uses, into a folder of this process's own
// below the temporary directory.
#pragma once

namespace kzw {

// Extracts from archive the member that the search had extracted as
// extractedPath (below its extraction root: the root, the archive's own
// folder, then the member's path in the archive) and writes the path of the
// new copy to out (kPathBuffer bytes; may be extractedPath itself). False,
// leaving out alone, when extractedPath lies below no extraction root, the
// library is missing or the member did not come out.
bool ExtractMemberAgain(const char* archive, const char* extractedPath, char* out);

// Removes the folder with everything extracted into it.
void RemoveExtractedMembers();

}  // namespace kzw
