// The library's log lines on the program's error stream (docs/log.md): with
// -v every line as the library tells it; otherwise the failure lines of a
// call that failed, once it is over, so that a failed call says why.
#pragma once

namespace karvelin::program {

// -v: every line from now on, as it comes.
void ShowEveryLine();
// After a call: its failure lines when it failed (and -v has not shown them
// already); forgotten either way.
void TellFailures(bool failed);

}  // namespace karvelin::program
