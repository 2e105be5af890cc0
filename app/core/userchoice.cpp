#include "core/userchoice.h"

#include "core/strtext.h"

namespace varnook {

bool IsUserRow(const std::string& text) {
    return !text.empty() && text != kNoUsersListed && text != kNotAvailable;
}

namespace {
bool IsSelected(const UserListView& list, size_t row) {
    return row < list.selected.size() && list.selected[row];
}
}  // namespace

std::vector<int> ChooseUserRows(const UserListView& list) {
    std::vector<int> rows;
    if (CurrentUserRow(list) >= 0) {
        for (size_t r = 0; r < list.texts.size(); ++r) {
            if (IsSelected(list, r) && IsUserRow(list.texts[r])) {
                rows.push_back(static_cast<int>(r));
            }
        }
    }
    if (rows.empty() && !list.texts.empty() && IsUserRow(list.texts.front())) {
        rows.push_back(0);
    }
    return rows;
}

int CurrentUserRow(const UserListView& list) {
    const int r = list.current;
    if (r < 0 || static_cast<size_t>(r) >= list.texts.size() || !IsUserRow(list.texts[r])) {
        return -1;
    }
    return r;
}

std::string ChosenConnectionText(int userListSource, const ChosenConnection& chosen) {
    if (userListSource == 1) {
        return StrText(chosen.number) + "  " + chosen.name;
    }
    return chosen.name;
}

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace varnook
