// Which rows of a users list an action on users acts on. Both users lists (the main window's and
// the all-connections window's) can show a placeholder row instead of users; such rows are never
// acted on as users.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnook {

inline constexpr const char* kNoUsersListed = "<No users listed>";
inline constexpr const char* kNotAvailable = "Not available!";

// A row that stands for a user: not empty and not one of the placeholder rows.
bool IsUserRow(const std::string& text);

// What an action reads of a users list: its row texts, which rows are selected, the current row.
struct UserListView {
    std::vector<std::string> texts;
    std::vector<bool> selected;  // one flag per row (missing flags count as not selected)
    int current = -1;            // -1: no current row
};

// The rows the clear-connection and broadcast actions act on, in list order: every selected
// user row when the current row is a user row; when that gives none, the first row when it is a
// user row. Empty when the list offers no user to act on.
std::vector<int> ChooseUserRows(const UserListView& list);

// The row the user-information window shows: the current row when it is a user row, else -1.
int CurrentUserRow(const UserListView& list);

// A connection chosen for an action, with the name its window lists it under.
struct ChosenConnection {
    uint16_t number = 0;
    std::string name;  // trimmed of leading and trailing blanks
};

// The text a chosen connection's row shows in the clear and send windows: for the main window's
// list (source 1) the number as Str text, two blanks and the name; for the all-connections list
// the name alone (that list's names already carry the number).
std::string ChosenConnectionText(int userListSource, const ChosenConnection& chosen);

// Leading and trailing blanks removed.
std::string TrimBlanks(const std::string& text);

}  // namespace varnook
