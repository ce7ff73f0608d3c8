// Result codes of the display and input services, and the description texts
// the fatal-error log shows for them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// One row of a description table.
struct ErrorTextEntry {
  uint32_t code;
  const char* text;
};

// Text of a display-service result code, as the error log shows it.
// Codes outside the table give "Unrecognized Error".
std::string DDErrorString(uint32_t code);
// Text of an input-service result code. Codes outside the table give
// "Unrecognized Error: $" and the code as 8 upper-case hexadecimal digits.
std::string DIErrorString(uint32_t code);

// The tables themselves, sorted by code.
std::span<const ErrorTextEntry> DDErrorTable();
std::span<const ErrorTextEntry> DIErrorTable();
inline size_t DDErrorCount() { return DDErrorTable().size(); }
inline size_t DIErrorCount() { return DIErrorTable().size(); }

// ---- Display service codes ------------------------------------------------
// Service-specific failures are 0x8876xxxx (facility 0x876); a few failures
// reuse the generic COM codes.
constexpr uint32_t DDHResult(uint32_t code) { return 0x88760000u | code; }

constexpr uint32_t DD_OK = 0;

constexpr uint32_t DDERR_GENERIC = 0x80004005;         // E_FAIL
constexpr uint32_t DDERR_INVALIDPARAMS = 0x80070057;   // E_INVALIDARG
constexpr uint32_t DDERR_OUTOFMEMORY = 0x8007000E;     // E_OUTOFMEMORY
constexpr uint32_t DDERR_UNSUPPORTED = 0x80004001;     // E_NOTIMPL
constexpr uint32_t DDERR_NOTINITIALIZED = 0x800401F0;  // CO_E_NOTINITIALIZED

constexpr uint32_t DDERR_ALREADYINITIALIZED = DDHResult(5);
constexpr uint32_t DDERR_CANNOTATTACHSURFACE = DDHResult(10);
constexpr uint32_t DDERR_CANNOTDETACHSURFACE = DDHResult(20);
constexpr uint32_t DDERR_CURRENTLYNOTAVAIL = DDHResult(40);
constexpr uint32_t DDERR_EXCEPTION = DDHResult(55);
constexpr uint32_t DDERR_HEIGHTALIGN = DDHResult(90);
constexpr uint32_t DDERR_INCOMPATIBLEPRIMARY = DDHResult(95);
constexpr uint32_t DDERR_INVALIDCAPS = DDHResult(100);
constexpr uint32_t DDERR_INVALIDCLIPLIST = DDHResult(110);
constexpr uint32_t DDERR_INVALIDMODE = DDHResult(120);
constexpr uint32_t DDERR_INVALIDOBJECT = DDHResult(130);
constexpr uint32_t DDERR_INVALIDPIXELFORMAT = DDHResult(145);
constexpr uint32_t DDERR_INVALIDRECT = DDHResult(150);
constexpr uint32_t DDERR_LOCKEDSURFACES = DDHResult(160);
constexpr uint32_t DDERR_NO3D = DDHResult(170);
constexpr uint32_t DDERR_NOALPHAHW = DDHResult(180);
constexpr uint32_t DDERR_NOSTEREOHARDWARE = DDHResult(181);
constexpr uint32_t DDERR_NOSURFACELEFT = DDHResult(182);
constexpr uint32_t DDERR_NOCLIPLIST = DDHResult(205);
constexpr uint32_t DDERR_NOCOLORCONVHW = DDHResult(210);
constexpr uint32_t DDERR_NOCOOPERATIVELEVELSET = DDHResult(212);
constexpr uint32_t DDERR_NOCOLORKEY = DDHResult(215);
constexpr uint32_t DDERR_NOCOLORKEYHW = DDHResult(220);
constexpr uint32_t DDERR_NODIRECTDRAWSUPPORT = DDHResult(222);
constexpr uint32_t DDERR_NOEXCLUSIVEMODE = DDHResult(225);
constexpr uint32_t DDERR_NOFLIPHW = DDHResult(230);
constexpr uint32_t DDERR_NOGDI = DDHResult(240);
constexpr uint32_t DDERR_NOMIRRORHW = DDHResult(250);
constexpr uint32_t DDERR_NOTFOUND = DDHResult(255);
constexpr uint32_t DDERR_NOOVERLAYHW = DDHResult(260);
constexpr uint32_t DDERR_OVERLAPPINGRECTS = DDHResult(270);
constexpr uint32_t DDERR_NORASTEROPHW = DDHResult(280);
constexpr uint32_t DDERR_NOROTATIONHW = DDHResult(290);
constexpr uint32_t DDERR_NOSTRETCHHW = DDHResult(310);
constexpr uint32_t DDERR_NOT4BITCOLOR = DDHResult(316);
constexpr uint32_t DDERR_NOT4BITCOLORINDEX = DDHResult(317);
constexpr uint32_t DDERR_NOT8BITCOLOR = DDHResult(320);
constexpr uint32_t DDERR_NOTEXTUREHW = DDHResult(330);
constexpr uint32_t DDERR_NOVSYNCHW = DDHResult(335);
constexpr uint32_t DDERR_NOZBUFFERHW = DDHResult(340);
constexpr uint32_t DDERR_NOZOVERLAYHW = DDHResult(350);
constexpr uint32_t DDERR_OUTOFCAPS = DDHResult(360);
constexpr uint32_t DDERR_OUTOFVIDEOMEMORY = DDHResult(380);
constexpr uint32_t DDERR_OVERLAYCANTCLIP = DDHResult(382);
constexpr uint32_t DDERR_OVERLAYCOLORKEYONLYONEACTIVE = DDHResult(384);
constexpr uint32_t DDERR_PALETTEBUSY = DDHResult(387);
constexpr uint32_t DDERR_COLORKEYNOTSET = DDHResult(400);
constexpr uint32_t DDERR_SURFACEALREADYATTACHED = DDHResult(410);
constexpr uint32_t DDERR_SURFACEALREADYDEPENDENT = DDHResult(420);
constexpr uint32_t DDERR_SURFACEBUSY = DDHResult(430);
constexpr uint32_t DDERR_CANTLOCKSURFACE = DDHResult(435);
constexpr uint32_t DDERR_SURFACEISOBSCURED = DDHResult(440);
constexpr uint32_t DDERR_SURFACELOST = DDHResult(450);
constexpr uint32_t DDERR_SURFACENOTATTACHED = DDHResult(460);
constexpr uint32_t DDERR_TOOBIGHEIGHT = DDHResult(470);
constexpr uint32_t DDERR_TOOBIGSIZE = DDHResult(480);
constexpr uint32_t DDERR_TOOBIGWIDTH = DDHResult(490);
constexpr uint32_t DDERR_UNSUPPORTEDFORMAT = DDHResult(510);
constexpr uint32_t DDERR_UNSUPPORTEDMASK = DDHResult(520);
constexpr uint32_t DDERR_INVALIDSTREAM = DDHResult(521);
constexpr uint32_t DDERR_VERTICALBLANKINPROGRESS = DDHResult(537);
constexpr uint32_t DDERR_WASSTILLDRAWING = DDHResult(540);
constexpr uint32_t DDERR_DDSCAPSCOMPLEXREQUIRED = DDHResult(542);
constexpr uint32_t DDERR_XALIGN = DDHResult(560);
constexpr uint32_t DDERR_INVALIDDIRECTDRAWGUID = DDHResult(561);
constexpr uint32_t DDERR_DIRECTDRAWALREADYCREATED = DDHResult(562);
constexpr uint32_t DDERR_NODIRECTDRAWHW = DDHResult(563);
constexpr uint32_t DDERR_PRIMARYSURFACEALREADYEXISTS = DDHResult(564);
constexpr uint32_t DDERR_NOEMULATION = DDHResult(565);
constexpr uint32_t DDERR_REGIONTOOSMALL = DDHResult(566);
constexpr uint32_t DDERR_CLIPPERISUSINGHWND = DDHResult(567);
constexpr uint32_t DDERR_NOCLIPPERATTACHED = DDHResult(568);
constexpr uint32_t DDERR_NOHWND = DDHResult(569);
constexpr uint32_t DDERR_HWNDSUBCLASSED = DDHResult(570);
constexpr uint32_t DDERR_HWNDALREADYSET = DDHResult(571);
constexpr uint32_t DDERR_NOPALETTEATTACHED = DDHResult(572);
constexpr uint32_t DDERR_NOPALETTEHW = DDHResult(573);
constexpr uint32_t DDERR_BLTFASTCANTCLIP = DDHResult(574);
constexpr uint32_t DDERR_NOBLTHW = DDHResult(575);
constexpr uint32_t DDERR_NODDROPSHW = DDHResult(576);
constexpr uint32_t DDERR_OVERLAYNOTVISIBLE = DDHResult(577);
constexpr uint32_t DDERR_NOOVERLAYDEST = DDHResult(578);
constexpr uint32_t DDERR_INVALIDPOSITION = DDHResult(579);
constexpr uint32_t DDERR_NOTAOVERLAYSURFACE = DDHResult(580);
constexpr uint32_t DDERR_EXCLUSIVEMODEALREADYSET = DDHResult(581);
constexpr uint32_t DDERR_NOTFLIPPABLE = DDHResult(582);
constexpr uint32_t DDERR_CANTDUPLICATE = DDHResult(583);
constexpr uint32_t DDERR_NOTLOCKED = DDHResult(584);
constexpr uint32_t DDERR_CANTCREATEDC = DDHResult(585);
constexpr uint32_t DDERR_NODC = DDHResult(586);
constexpr uint32_t DDERR_WRONGMODE = DDHResult(587);
constexpr uint32_t DDERR_IMPLICITLYCREATED = DDHResult(588);
constexpr uint32_t DDERR_NOTPALETTIZED = DDHResult(589);
constexpr uint32_t DDERR_UNSUPPORTEDMODE = DDHResult(590);
constexpr uint32_t DDERR_NOMIPMAPHW = DDHResult(591);
constexpr uint32_t DDERR_INVALIDSURFACETYPE = DDHResult(592);
constexpr uint32_t DDERR_NOOPTIMIZEHW = DDHResult(600);
constexpr uint32_t DDERR_NOTLOADED = DDHResult(601);
constexpr uint32_t DDERR_NOFOCUSWINDOW = DDHResult(602);
constexpr uint32_t DDERR_NOTONMIPMAPSUBLEVEL = DDHResult(603);
constexpr uint32_t DDERR_DCALREADYCREATED = DDHResult(620);
constexpr uint32_t DDERR_NONONLOCALVIDMEM = DDHResult(630);
constexpr uint32_t DDERR_CANTPAGELOCK = DDHResult(640);
constexpr uint32_t DDERR_CANTPAGEUNLOCK = DDHResult(660);
constexpr uint32_t DDERR_NOTPAGELOCKED = DDHResult(680);
constexpr uint32_t DDERR_MOREDATA = DDHResult(690);
constexpr uint32_t DDERR_EXPIRED = DDHResult(691);
constexpr uint32_t DDERR_TESTFINISHED = DDHResult(692);
constexpr uint32_t DDERR_NEWMODE = DDHResult(693);
constexpr uint32_t DDERR_D3DNOTINITIALIZED = DDHResult(694);
constexpr uint32_t DDERR_VIDEONOTACTIVE = DDHResult(695);
constexpr uint32_t DDERR_NOMONITORINFORMATION = DDHResult(696);
constexpr uint32_t DDERR_NODRIVERSUPPORT = DDHResult(697);
constexpr uint32_t DDERR_DEVICEDOESNTOWNSURFACE = DDHResult(699);

// ---- Input service codes --------------------------------------------------
// Success codes; several names share the value 1 (S_FALSE).
constexpr uint32_t DI_OK = 0;
constexpr uint32_t DI_NOTATTACHED = 1;
constexpr uint32_t DI_BUFFEROVERFLOW = 1;
constexpr uint32_t DI_PROPNOEFFECT = 1;
constexpr uint32_t DI_NOEFFECT = 1;
constexpr uint32_t DI_POLLEDDEVICE = 2;
constexpr uint32_t DI_DOWNLOADSKIPPED = 3;
constexpr uint32_t DI_EFFECTRESTARTED = 4;
constexpr uint32_t DI_TRUNCATED = 8;
constexpr uint32_t DI_TRUNCATEDANDRESTARTED = 12;

// Failures: mostly Win32 errors wrapped as HRESULTs (0x8007xxxx) and COM codes.
constexpr uint32_t DIERR_OLDDIRECTINPUTVERSION = 0x8007047E;
constexpr uint32_t DIERR_BETADIRECTINPUTVERSION = 0x8007047F;
constexpr uint32_t DIERR_BADDRIVERVER = 0x80070077;
constexpr uint32_t DIERR_DEVICENOTREG = 0x80040154;  // REGDB_E_CLASSNOTREG
constexpr uint32_t DIERR_NOTFOUND = 0x80070002;
constexpr uint32_t DIERR_OBJECTNOTFOUND = 0x80070002;
constexpr uint32_t DIERR_INVALIDPARAM = 0x80070057;  // E_INVALIDARG
constexpr uint32_t DIERR_NOINTERFACE = 0x80004002;   // E_NOINTERFACE
constexpr uint32_t DIERR_GENERIC = 0x80004005;       // E_FAIL
constexpr uint32_t DIERR_OUTOFMEMORY = 0x8007000E;   // E_OUTOFMEMORY
constexpr uint32_t DIERR_UNSUPPORTED = 0x80004001;   // E_NOTIMPL
constexpr uint32_t DIERR_NOTINITIALIZED = 0x80070015;
constexpr uint32_t DIERR_ALREADYINITIALIZED = 0x800704DF;
constexpr uint32_t DIERR_NOAGGREGATION = 0x80040110;    // CLASS_E_NOAGGREGATION
constexpr uint32_t DIERR_OTHERAPPHASPRIO = 0x80070005;  // E_ACCESSDENIED
constexpr uint32_t DIERR_INPUTLOST = 0x8007001E;
constexpr uint32_t DIERR_ACQUIRED = 0x800700AA;
constexpr uint32_t DIERR_NOTACQUIRED = 0x8007000C;
constexpr uint32_t DIERR_READONLY = 0x80070005;     // E_ACCESSDENIED
constexpr uint32_t DIERR_HANDLEEXISTS = 0x80070005;  // E_ACCESSDENIED
constexpr uint32_t DIERR_PENDING = 0x8000000A;       // E_PENDING
constexpr uint32_t DIERR_INSUFFICIENTPRIVS = 0x80040200;
constexpr uint32_t DIERR_DEVICEFULL = 0x80040201;
constexpr uint32_t DIERR_MOREDATA = 0x80040202;
constexpr uint32_t DIERR_NOTDOWNLOADED = 0x80040203;
constexpr uint32_t DIERR_HASEFFECTS = 0x80040204;
constexpr uint32_t DIERR_NOTEXCLUSIVEACQUIRED = 0x80040205;
constexpr uint32_t DIERR_INCOMPLETEEFFECT = 0x80040206;
constexpr uint32_t DIERR_NOTBUFFERED = 0x80040207;
constexpr uint32_t DIERR_EFFECTPLAYING = 0x80040208;
constexpr uint32_t DIERR_UNPLUGGED = 0x80040209;
constexpr uint32_t DIERR_REPORTFULL = 0x8004020A;
