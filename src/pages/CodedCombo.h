#pragma once
// The drop-down combo boxes of the pages: a list of coded texts ("2 - Open") whose text can also
// be typed.

#include <vector>

class QComboBox;

// An editable combo box that keeps a typed text exactly as typed (no completion, Enter adds no
// item) and reports a choice only when an item is chosen from the list or stepped to with the
// arrow keys: Enter in its text is no choice, nor is the mouse wheel turned over the closed list.
// Its text takes any length and shows from its beginning when the program sets it.
QComboBox* MakeCodedCombo();

// Adds the items in order without choosing one: the text stays as it was until it is set, the
// opened list highlights nothing, and Down steps to the first item.
void FillCodedCombo(QComboBox* combo, const std::vector<const char*>& items);
