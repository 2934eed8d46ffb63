// `karvelin report`: every function without side effects, in sections, as
// text or as one JSON object.
#pragma once

namespace karvelin::program {

void PrintReport();
void PrintReportJson();

}  // namespace karvelin::program
