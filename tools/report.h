// `karvelin report`: every function without side effects, in sections, as
// text or as one JSON object.
#pragma once

namespace karvelin::program {

// False when one of the report's own calls was refused (said on stderr).
bool PrintReport();
bool PrintReportJson();

}  // namespace karvelin::program
