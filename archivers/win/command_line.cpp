#include "archivers/win/command_line.h"

#include "archivers/core/safe_name.h"
#include "archivers/win/caller_text.h"

namespace arc {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

std::vector<Token> Tokens(const std::string& line) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
    if (i >= line.size()) break;
    Token t;
    bool inQuotes = false;
    while (i < line.size()) {
      char c = line[i];
      if (c == '"') {
        inQuotes = !inQuotes;
        t.quoted = true;
        ++i;
        continue;
      }
      if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) break;
      // Neither a quote nor a blank is ever a trail byte of code page 932,
      // so bytes go through as they are.
      t.text += c;
      ++i;
    }
    tokens.push_back(t);
  }
  return tokens;
}

}  // namespace

Status ParseCommandLine(const char* line, bool letterCommand, const ReadResponse& readResponse, CommandLine& out) {
  out = CommandLine();
  if (!line) return kErrorCommand;
  std::vector<Token> tokens = Tokens(line);
  size_t first = 0;
  if (letterCommand) {
    if (tokens.empty() || tokens[0].quoted || tokens[0].text.size() != 1) return kErrorCommand;
    char c = tokens[0].text[0];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out.command = std::string(1, c);
    first = 1;
  }
  for (size_t i = first; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.text.empty()) continue;
    if (!t.quoted && t.text[0] == '-') {
      out.switches.push_back(t.text);
    } else if (t.text[0] == '@' && t.text.size() > 1) {
      std::string text;
      if (!readResponse || !readResponse(t.text.substr(1), text)) return kErrorResponseFile;
      size_t start = 0;
      while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        // One name per line, quoted or not: blanks inside belong to the name.
        std::string lineText = text.substr(start, end - start);
        while (!lineText.empty() && (lineText.back() == '\r' || lineText.back() == ' ' || lineText.back() == '\t'))
          lineText.pop_back();
        size_t lead = lineText.find_first_not_of(" \t");
        if (lead != std::string::npos) {
          lineText = lineText.substr(lead);
          if (lineText.size() >= 2 && lineText.front() == '"' && lineText.back() == '"')
            lineText = lineText.substr(1, lineText.size() - 2);
          if (!lineText.empty()) out.paths.push_back(lineText);
        }
        start = end + 1;
      }
    } else {
      out.paths.push_back(t.text);
    }
  }
  return kOk;
}

static size_t LastSeparator(const std::string& path) {
  // In UTF-8 every byte of a multi-byte character is 0x80 or above, so no
  // byte needs skipping; a continuation byte taken for a code page 932 lead
  // byte would swallow the separator after it.
  bool cp932 = !CallerTextIsUtf8();
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (cp932 && IsCp932Lead(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/') last = i;
  }
  return last;
}

std::string PathName(const std::string& path) {
  size_t last = LastSeparator(path);
  return last == std::string::npos ? path : path.substr(last + 1);
}

std::string PathFolder(const std::string& path) {
  size_t last = LastSeparator(path);
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string WithoutExtension(const std::string& path) {
  std::string name = PathName(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return path;
  return path.substr(0, path.size() - (name.size() - dot));
}

bool EndsWithSeparator(const std::string& path) {
  size_t last = LastSeparator(path);
  return last != std::string::npos && last + 1 == path.size();
}

}  // namespace arc
