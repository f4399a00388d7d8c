#include "recorder/ui/SkinLayout.h"

namespace velto::skin {

void InitialSlots(ButtonSlot (&slots)[kSlotCount])
{
    for (auto& s : slots) s = ButtonSlot{{0, 0, 0, 0}, 0, 0, 0, 0, 0};
    slots[kSlotMinimise] = {{273, 5, 283, 16}, 244, 153, 11, 12, 0};
    slots[kSlotClose] = {{286, 5, 296, 16}, 268, 153, 11, 12, 0};
    slots[kSlotPath] = {{274, 99, 293, 112}, 192, 190, 20, 14, 0};
    slots[kSlotHelp] = {{260, 5, 270, 16}, 244, 166, 11, 12, 0};
    slots[kSlotOptions] = {{274, 81, 293, 94}, 171, 190, 20, 14, 0};
    slots[kSlotTypeArrow] = {{131, 126, 143, 138}, 129, 219, 13, 13, 0};
    slots[kSlotQualityArrow] = {{175, 126, 187, 138}, 129, 219, 13, 13, 0};
    slots[kSlotRecord] = {kRecordRect, kRecordSpriteIdle.x, kRecordSpriteIdle.y, 40, 43, 0};
    slots[kSlotPlay] = {{73, 123, 93, 144}, 63, 221, 21, 22, 0};
    slots[kSlotStop] = {{94, 123, 114, 144}, 107, 221, 21, 22, 0};
}

const ToolTip kToolTips[kToolTipCount] = {
    {1, {13, 94, 52, 137}, L"녹음/정지"},
    {2, {73, 123, 93, 144}, L"녹음한 파일 재생"},
    {4, {94, 123, 114, 144}, L"재생정지"},
    {5, {274, 81, 293, 94}, L"옵션"},
    {6, {274, 99, 293, 112}, L"녹음할 파일 경로지정"},
    {7, {67, 84, 266, 92}, L"재생바"},
    {8, {128, 123, 169, 141}, L"파일타입"},
    {9, {172, 123, 294, 141}, L"퀄리티타입"},
    {10, {29, 29, 122, 53}, L"녹음시간표시"},
    {11, {133, 31, 189, 50}, L"자동멈춤"},
    {12, {198, 32, 271, 50}, L"드라이브남은공간"},
    {13, {67, 99, 265, 114}, L"녹음파일경로"},
    {14, {260, 5, 270, 15}, L"도움말"},
    {15, {273, 5, 283, 15}, L"최소화"},
    {16, {286, 5, 293, 15}, L"종료"},
};

}  // namespace velto::skin
