// The text a caller exchanges with a work entry (the command, response
// files, the output text) is in the program's code page for the classic
// entries, and in UTF-8 while a wide entry runs: the wide entry converts its
// UTF-16 at the door, so that the shared work sees one kind of text.
#pragma once

namespace arc {

// True while a wide entry runs on this thread.
bool CallerTextIsUtf8();

// The code page caller text converts with: CP_UTF8 or CP_ACP.
unsigned CallerCodePage();

// UTF-8 caller text for the life of the scope, on this thread (the work runs
// on the caller's thread); what was before comes back afterwards.
class Utf8CallerText {
 public:
  Utf8CallerText();
  ~Utf8CallerText();
  Utf8CallerText(const Utf8CallerText&) = delete;
  Utf8CallerText& operator=(const Utf8CallerText&) = delete;

 private:
  bool previous_;
};

}  // namespace arc
