// vantorel-search --full-text: the full-text search of an archive from the command line.
#pragma once

namespace vantorel::tools::search {

// The usage text of the full-text search.
extern const char kFullTextUsage[];
// Its lines of the --help text.
extern const char kFullTextHelp[];

// Runs `vantorel-search --full-text [--json] [--limit N] [--no-update] DATADIR QUERY` and
// returns the exit status: 0 hits (the page's file name printed, or one JSON object per hit),
// 1 no hits ("No matches") or a query that cannot be read (its message), 2 an error of the
// index or of a file (on standard error), 64 a wrong command line.
int RunFullText(int argc, char** argv);

}  // namespace vantorel::tools::search
