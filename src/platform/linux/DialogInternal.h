#pragma once

#include <cstdint>
#include <vector>

#include "platform/Dialog.h"

// What the message-box sources share: button sets, their labels and the answers without a user.
namespace plat::detail {

struct ButtonLabels
{
    const wchar_t* ok;
    const wchar_t* cancel;
    const wchar_t* yes;
    const wchar_t* no;
    const wchar_t* abort;
    const wchar_t* retry;
    const wchar_t* ignore;
};

// The labels of a Windows language id; English for languages not shipped.
const ButtonLabels& LabelsFor(uint16_t language);
// The buttons of the flags' button set, in reading order (kID_*).
std::vector<int> ButtonsFor(uint32_t flags);
const wchar_t* LabelOf(const ButtonLabels& labels, int id);
// The answer the close button gives; 0 when the box cannot be closed that way.
int CloseAnswer(uint32_t flags);
// The least harmful answer, for a box nobody can see.
int CautiousAnswer(uint32_t flags);

} // namespace plat::detail
