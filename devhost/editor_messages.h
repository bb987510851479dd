// Editing-component messages and notification bits that devhost answers or sends beyond the
// ones the plug-in itself uses (those come from the plug-in's host interface header).
#pragma once

#include <windows.h>

namespace devhost {

constexpr UINT SCI_INSERTTEXT = 2003;
constexpr UINT SCI_GETCURRENTPOS = 2008;
constexpr UINT SCI_REDO = 2011;
constexpr UINT SCI_CANREDO = 2016;
constexpr UINT SCI_SETEOLMODE = 2031;
constexpr UINT SCI_SETCODEPAGE = 2037;
constexpr UINT SCI_SETREADONLY = 2171;
constexpr UINT SCI_CANUNDO = 2174;
constexpr UINT SCI_EMPTYUNDOBUFFER = 2175;
constexpr UINT SCI_UNDO = 2176;
constexpr UINT SCI_GETTARGETSTART = 2191;
constexpr UINT SCI_GETTARGETEND = 2193;
constexpr UINT SCI_DELETERANGE = 2645;

constexpr UINT SCN_MODIFYATTEMPTRO = 2004;

constexpr int SC_PERFORMED_USER = 0x10;
constexpr int SC_MOD_BEFOREINSERT = 0x400;
constexpr int SC_MOD_BEFOREDELETE = 0x800;

}  // namespace devhost
