#include "platform/linux/shell_words.h"

namespace platform::posix {

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n';
}

bool EscapableInDoubleQuotes(char16_t c) {
  return c == u'"' || c == u'\\' || c == u'$' || c == u'`';
}

}  // namespace

std::vector<std::u16string> SplitShellWords(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::u16string word;
  bool in_word = false;
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (IsBlank(c)) {
      if (in_word)
        words.push_back(std::move(word));
      word.clear();
      in_word = false;
      ++i;
      continue;
    }
    in_word = true;
    if (c == u'\'') {
      size_t end = text.find(u'\'', i + 1);
      if (end == std::u16string_view::npos)
        end = text.size();
      word.append(text.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == u'"') {
      ++i;
      while (i < text.size() && text[i] != u'"') {
        if (text[i] == u'\\' && i + 1 < text.size() && EscapableInDoubleQuotes(text[i + 1]))
          ++i;
        word.push_back(text[i]);
        ++i;
      }
      ++i;
    } else if (c == u'\\') {
      if (i + 1 < text.size())
        word.push_back(text[i + 1]);
      i += 2;
    } else {
      word.push_back(c);
      ++i;
    }
  }
  if (in_word)
    words.push_back(std::move(word));
  return words;
}

std::u16string QuoteShellWord(std::u16string_view word) {
  bool plain = !word.empty();
  for (char16_t c : word) {
    if (IsBlank(c) || c == u'\'' || EscapableInDoubleQuotes(c)) {
      plain = false;
      break;
    }
  }
  if (plain)
    return std::u16string(word);
  std::u16string out = u"\"";
  for (char16_t c : word) {
    if (EscapableInDoubleQuotes(c))
      out.push_back(u'\\');
    out.push_back(c);
  }
  out.push_back(u'"');
  return out;
}

}  // namespace platform::posix
