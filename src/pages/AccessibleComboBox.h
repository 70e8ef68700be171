#pragma once

// Qt names a drop-down list on Linux by its current entry and leaves its
// label to a relation, so a screen reader or a test looking for the list by
// the words beside it does not find it. Once installed, a list with an
// accessible name (or a buddy label) is named by it; its entry stays its value.
void InstallAccessibleComboBoxNames();
