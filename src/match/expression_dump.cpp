// Readable text of a compiled expression, for tests and traces.
#include <cstring>

#include "match/expression.h"

namespace zanto {

std::string DumpTerm(const CompiledSearch& search, uint32_t term) {
  const SearchTerm* block = search.Term(term);
  if (block == nullptr) return "?";
  switch (block->kind) {
    case kTermPlain: return std::string("\"") + block->text + "\"";
    case kTermPattern: {
      // Appended, not prefixed: the optimiser warns of an overlap that a
      // string literal in front of a temporary cannot have.
      std::string text = "/";
      text += DumpPattern(block->units);
      return text + "/";
    }
    case kTermSynonyms: {
      std::string text = "{";
      for (int i = 0; i < block->memberCount; ++i) {
        if (i > 0) text += ' ';
        text += std::to_string(block->members[i].entry) + ":" + DumpTerm(search, block->members[i].term);
      }
      return text + "}";
    }
  }
  return "?";
}

std::string DumpExpression(const CompiledSearch& search) {
  const uint8_t* tokens = search.expression.tokens;
  std::string text;
  for (size_t i = 0; i < kTokenListBytes && tokens[i] != kTokenEnd;) {
    if (!text.empty()) text += ' ';
    const uint8_t code = tokens[i++];
    switch (code) {
      case kTokenOpen: text += '('; break;
      case kTokenClose: text += ')'; break;
      case kTokenAnd: text += "and"; break;
      case kTokenOr: text += "or"; break;
      case kTokenNot: text += "not"; break;
      case kTokenTerm: {
        uint32_t term = 0;
        std::memcpy(&term, tokens + i, sizeof term);
        i += sizeof term;
        text += DumpTerm(search, term);
        break;
      }
      default: text += '?'; break;
    }
  }
  return text;
}

}  // namespace zanto
