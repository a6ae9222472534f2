// A small archive for window tests: a frameset start page with the frames "CONTENTS" and
// "MAIN", a welcome page, and a help page with an Options anchor.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "temp_dir.h"

namespace vantorel::app {

// Writes the archive into dir/relative and returns its folder text ending in "/".
inline std::string WriteSmallArchive(const testing::TempDir& dir, const std::string& relative) {
  dir.Write(relative + "/index.htm",
            "<HTML><HEAD><TITLE>Ostravel</TITLE></HEAD>\r\n"
            "<FRAMESET COLS=\"30%,*\"><FRAME SRC=\"contents.htm\" NAME=\"CONTENTS\">\r\n"
            "<FRAME SRC=\"welcome.htm\" NAME=\"MAIN\"></FRAMESET></HTML>\r\n");
  dir.Write(relative + "/contents.htm",
            "<HTML><BODY><A HREF=\"welcome.htm\" TARGET=\"MAIN\">Welcome</A></BODY></HTML>\r\n");
  dir.Write(relative + "/welcome.htm",
            "<HTML><HEAD><TITLE>Welcome</TITLE></HEAD><BODY><H1>Welcome to Ostravel</H1></BODY></HTML>\r\n");
  dir.Write(relative + "/help.htm",
            "<HTML><HEAD><TITLE>Help</TITLE></HEAD><BODY><H1>Help</H1><P>Start here.</P>"
            "<A NAME=\"Options\"></A><H2>Options</H2><P>The Options dialog.</P></BODY></HTML>\r\n");
  return platform::PathText(dir.path() / relative) + "/";
}

}  // namespace vantorel::app
