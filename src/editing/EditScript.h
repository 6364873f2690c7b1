#pragma once
// Edit scripts: batches of the editor's session operations, one command a line.
//
//   select ROW                      as clicking the row (CommitEdit, then BeginEdit)
//   check ROW on|off                the row's check box (not the render row's)
//   get PATH NAME                   prints GetValue on a line of its own
//   set PATH NAME VALUE [KIND]      SetValue (KIND 0, 1 or 2; 0 when absent)
//   delete PATH NAME                DeleteValue
//   copy KIND SOURCE NEW            CopyElementAs
//   save [OUT]                      File > Save, or Save as OUT
//
// Blank lines and lines starting with "#" are skipped. Words are separated by blanks; a double
// quote starts or ends a quoted part, which may hold blanks ("" is the empty word); inside
// quotes \" and \\ stand for " and \.
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "editing/SceneSession.h"
#include "scene/Errors.h"

namespace kelvane {

// A failed script line; what() is the message, Line() the 1-based line number.
class EScriptError : public EKelvaneError {
public:
    EScriptError(int line, const std::string& message) : EKelvaneError(message), line_(line) {}
    int Line() const { return line_; }

private:
    int line_;
};

// The words of one script line; raises EKelvaneError for an unterminated quote.
std::vector<std::string> SplitScriptWords(std::string_view line);

// Runs script on session, printing the results of get to out. The first failing line stops the
// run with EScriptError (line number and the failure's message); what earlier lines did stays.
void RunEditScript(TSceneSession& session, std::istream& script, std::ostream& out);

} // namespace kelvane
