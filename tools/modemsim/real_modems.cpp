// SPDX-License-Identifier: MIT
// Real modems, answer by answer, as public documents show them. Every row
// names where its answer was found: mgetty's doc/modems.db (from mgetty's
// Debian source), HylaFAX's config/ prototypes (hylafax-server, installed in
// /var/spool/hylafax/config), or the maker's manual. Where a document gives
// only what the modem can do and not the words it answers with, the row
// says so ("as listed"). A command no row answers gets ERROR, as from a
// modem that does not have it.
#include "modem_tables.h"

namespace quillfen::modemsim {

namespace {

// Flow-control families as each maker has them.
constexpr SettingLimit kUSRoboticsFlow[] = {
    {'&', 'K', Range(0, 3), "U.S. Robotics Courier command reference: &K0-&K3 data compression"},
    {'&', 'E', 0, "not a U.S. Robotics command"},
    {'\\', 'Q', 0, "not a U.S. Robotics command"},
    {'&', 'H', Range(0, 3), "HylaFAX config/usr-rts, usr-xon: &H0, &H1, &H2; Courier reference: &H3"},
    {'&', 'I', Range(0, 5), "HylaFAX config/usr-rts &I0, usr-xon &I2; Courier reference: &I0-&I5"},
    {'&', 'R', Range(0, 2), "HylaFAX config/usr-rts &R2, usr-xon &R1; Courier reference: &R0"},
};
constexpr SettingLimit kRockwellFlow[] = {
    {'&', 'K', Values({0, 3, 4, 5, 6}), "HylaFAX config/rc288dpi &K0/&K3/&K4; modems.db (Creatix): &K6"},
    {'&', 'E', 0, "not a Rockwell command"},
    {'\\', 'Q', Range(0, 3), "modems.db (Intel 14400, RC144DP): \\Q3 in its init string"},
    {'&', 'H', 0, "not a Rockwell command"},
    {'&', 'I', 0, "not a Rockwell command"},
    {'&', 'R', Range(0, 1), "Rockwell RC144 AT command reference: &R0, &R1"},
};
// &K0, &K3, &K4 and nothing of the other families: HylaFAX's hayes,
// davicom-2, ppi-pm14400fxmt and lucent-mt-2 prototypes.
constexpr SettingLimit kHayesStyleFlow[] = {
    {'&', 'K', Values({0, 3, 4}), "HylaFAX config/ prototype: ModemNoFlowCmd AT&K0, Hard AT&K3, Soft AT&K4"},
    {'&', 'E', 0, "not in the prototype"},
    {'\\', 'Q', 0, "not in the prototype"},
    {'&', 'H', 0, "not in the prototype"},
    {'&', 'I', 0, "not in the prototype"},
    {'&', 'R', 0, "not in the prototype"},
};
constexpr SettingLimit kZyXELFlow[] = {
    {'&', 'K', Range(0, 4), "ZyXEL U-1496 manual: &K0-&K4 error correction and compression"},
    {'&', 'E', 0, "not a ZyXEL command"},
    {'\\', 'Q', 0, "not a ZyXEL command"},
    {'&', 'H', Values({0, 3, 4}), "HylaFAX config/zyxel-1496e: &H0 none, &H3 hardware, &H4 software"},
    {'&', 'I', 0, "not in HylaFAX's ZyXEL prototypes"},
    {'&', 'R', 0, "not in HylaFAX's ZyXEL prototypes"},
};
constexpr SettingLimit kMultiTechFlow[] = {
    {'&', 'K', 0, "HylaFAX config/mt-1432 sets flow control with &E only"},
    {'&', 'E', Values({4, 5}), "HylaFAX config/mt-1432: ModemHardFlowCmd AT&E4, ModemSoftFlowCmd AT&E5"},
    {'\\', 'Q', 0, "not in the prototype"},
    {'&', 'H', 0, "not in the prototype"},
    {'&', 'I', 0, "not in the prototype"},
    {'&', 'R', 0, "not in the prototype"},
};
constexpr SettingLimit kTelebitFlow[] = {
    {'&', 'K', 0, "HylaFAX config/telebit-t3000: flow control is S58=2 or S58=3"},
    {'&', 'E', 0, "as above"},
    {'\\', 'Q', 0, "as above"},
    {'&', 'H', 0, "as above"},
    {'&', 'I', 0, "as above"},
    {'&', 'R', 0, "as above"},
};

// T.31's codes for a V.17 fax modem: V.27ter, V.29 and V.17 up to 14400.
constexpr std::string_view kV17Rates[] = {"24,48,72,73,74,96,97,98,121,122,145,146"};
constexpr std::string_view kHdlc[] = {"3"};
constexpr std::span<const std::string_view> kNoText = {};

// U.S. Robotics Courier V.34 Fax ("V.Everything").
constexpr std::string_view kCourierI0[] = {"2886"};
constexpr std::string_view kCourierI7[] = {
    "Configuration Profile...",   "",
    "Product type           US/Canada External",
    "Options                V32bis,Terbo,V.FC,V.34",
    "Fax Options            Class 1/Class 2.0",
    "Clock Freq             20.16Mhz",
    "Eprom                  256k",
    "Ram                    32k",
    "Supervisor date        12/02/94",
    "DSP date               12/02/94",
    "Supervisor rev         6.0.5",
    "DSP rev                1.0.6",
};
constexpr std::string_view kUSRMaker[] = {"U.S. Robotics"};
constexpr ClassQuery kCourier[] = {
    {"I0", kAllClasses, kCourierI0, "modems.db, U.S. Robotics Courier V.34 Fax: ati0"},
    {"I7", kAllClasses, kCourierI7, "modems.db, U.S. Robotics Courier V.34 Fax: ati7"},
    {"+FTM=?", kClass1, kV17Rates, "T.31 codes for ati7's 'Fax Options Class 1' at V.17 14400"},
    {"+FRM=?", kClass1, kV17Rates, "as +FTM=?"},
    {"+FTH=?", kClass1, kHdlc, "T.31: HDLC at V.21 channel 2"},
    {"+FMI?", kClass20, kUSRMaker, "HylaFAX config/usr-2.0: CONFIG: CLASS2.0: \"U.S. Robotics\"*-OK-*"},
    // The same pattern: the model query gave nothing but its OK.
    {"+FMM?", kClass20, kNoText, "HylaFAX config/usr-2.0: CONFIG: CLASS2.0: \"U.S. Robotics\"*-OK-*"},
};

// USRobotics Sportster V.34 28.800 Fax.
constexpr std::string_view kSportsterI0[] = {"2886"};
constexpr std::string_view kSportsterI1[] = {"05B1"};
constexpr std::string_view kSportsterI4[] = {
    "USRobotics Sportster 28800 Fax Settings...",
    "B0  E1  F1  M1  Q0  V1  X4",
    "BAUD=115200 PARITY=N  WORDLEN=8",
};
constexpr std::string_view kSportsterI7[] = {
    "Configuration Profile...",
    "Product type           Germany External",
    "Options                V32bis,V.FC,V.34",
    "Fax Options            Class 1/Class 2.0",
};
constexpr ClassQuery kSportster[] = {
    {"I0", kAllClasses, kSportsterI0, "modems.db, USRobotics Sportster V.34 28.800 Fax Modem: ATI0"},
    {"I1", kAllClasses, kSportsterI1, "modems.db, the same: ATI1"},
    {"I4", kAllClasses, kSportsterI4, "modems.db, the same: ATI4 (its first lines)"},
    {"I7", kAllClasses, kSportsterI7, "modems.db, the same: ATI7"},
    {"+FTM=?", kClass1, kV17Rates, "T.31 codes for ATI7's 'Fax Options Class 1' at V.17 14400"},
    {"+FRM=?", kClass1, kV17Rates, "as +FTM=?"},
};

// ZyXEL U1496EG+ with firmware 6.12, classes 2 and 2.0 and voice.
constexpr std::string_view kZyXELMaker[] = {"ZyXEL"};
constexpr std::string_view kZyXELModel[] = {"U1496EG V 6.12 P"};
constexpr std::string_view kZyXELDis[] = {"(0,1),(0-5),(0-2),(0-2),(0-1),(0),(0),(0-7)"};
constexpr std::string_view kZyXELIs[] = {"(0,1),(0-5),(0-4),(0-2),(0,1),(0),(0),(0-7)"};
constexpr ClassQuery kZyXEL[] = {
    {"I3", kAllClasses, kNoText, "modems.db, ZyXEL U1496EG+: ATI3 (OK)"},
    {"I4", kAllClasses, kNoText, "modems.db, ZyXEL U1496EG+: ATI4 (OK)"},
    {"+FMFR?", kClass2, kZyXELMaker, "modems.db, ZyXEL U1496EG+: AT+FMFR?"},
    {"+FMDL?", kClass2, kZyXELModel, "modems.db, ZyXEL U1496EG+: AT+FMDL?"},
    {"+FREV?", kClass2, kZyXELModel, "modems.db, ZyXEL U1496EG+: AT+FREV?"},
    {"+FDIS=?", kClass2, kZyXELDis, "modems.db, ZyXEL U1496EG+: AT+FDCC=? (class 2 answers +FDIS=? alike)"},
    {"+FIS=?", kClass20, kZyXELIs, "HylaFAX config/zyxel-1496e-2.0: Class2DCCQueryCmd (ECM left out for 6.1x)"},
    {"+FMI?", kClass20, kZyXELMaker, "HylaFAX config/zyxel-1496e-2.0: CONFIG: CLASS2.0: ZyXEL*1496*-*"},
};

// Telebit T3000, class 2 (HylaFAX config/telebit-t3000).
constexpr std::string_view kTelebitMaker[] = {"Telebit"};
constexpr std::string_view kTelebitModel[] = {"T3000"};
constexpr ClassQuery kTelebit[] = {
    {"+FMFR?", kClass2, kTelebitMaker, "HylaFAX config/telebit-t3000: CONFIG: CLASS2: Telebit*T3000*-*"},
    {"+FMDL?", kClass2, kTelebitModel, "HylaFAX config/telebit-t3000: the same pattern"},
};

// Multi-Tech MT1432 (HylaFAX config/mt-1432), class 2 with its own &E flow control.
constexpr std::string_view kMultiTechMaker[] = {"Multi-Tech"};
constexpr std::string_view kMT1432Model[] = {"MT1432BA"};
constexpr ClassQuery kMT1432[] = {
    {"+FMFR?", kClass2, kMultiTechMaker, "HylaFAX config/mt-1432: CONFIG: CLASS2: Multi-Tech*-*"},
    {"+FMDL?", kClass2, kMT1432Model, "HylaFAX config/mt-1432: 'MT1432BA uses Rockwell data pump'"},
};

// Multi-Tech MT5634ZBA (Lucent Venus), classes 1, 2 and 2.0; its firmware
// 1.25 offers MMR in class 2.0 and corrupts it.
constexpr std::string_view kMT5634Maker[] = {"Multi-Tech Systems"};
constexpr std::string_view kMT5634Model[] = {"MT5634ZBA"};
constexpr std::string_view kMT5634I0[] = {"LT V.92 1.0 MT5634ZBA Serial Data/Fax Modem Version 1.25"};
constexpr std::string_view kMT5634Is[] = {"(00-01),(00-05),(00-02),(00-02),(00-03),(00-01),(00),(00-07)"};
constexpr ClassQuery kMT5634[] = {
    {"I0", kAllClasses, kMT5634I0, "HylaFAX config/lucent: CONFIG:CLASS1:LT V.92 1.0 MT5634ZBA*; lucent-mt-20: 1.25"},
    {"+FTM=?", kClass1, kV17Rates, "T.31 codes for a V.17 class 1 modem (HylaFAX config/lucent: CLASS1)"},
    {"+FRM=?", kClass1, kV17Rates, "as +FTM=?"},
    {"+FMFR?", kClass2, kMT5634Maker, "HylaFAX config/lucent-mt-2: CONFIG: CLASS2:\"Multi-Tech Systems\"-\"MT5634ZBA\"-*"},
    {"+FMDL?", kClass2, kMT5634Model, "HylaFAX config/lucent-mt-2: the same pattern"},
    {"+FMI?", kClass20, kMT5634Maker, "HylaFAX config/lucent-mt-20: CONFIG: CLASS2.0:\"Multi-Tech Systems\"-\"MT5634ZBA\"-*"},
    {"+FMM?", kClass20, kMT5634Model, "HylaFAX config/lucent-mt-20: the same pattern"},
    // lucent-mt-20's workaround list with the MMR (DF 00-03) and ECM the
    // firmware reports put back.
    {"+FIS=?", kClass20, kMT5634Is, "HylaFAX config/lucent-mt-20: 'report MMR support but corrupt the data'"},
};

// Creatix Polymedia 14400 on Rockwell's RC32ACL, classes 1 and 2 and voice.
constexpr std::string_view kCreatixMaker[] = {"ROCKWELL"};
constexpr std::string_view kCreatixModel[] = {"RC32ACL"};
constexpr std::string_view kCreatixRevision[] = {"V1.600-DS29F"};
constexpr std::string_view kCreatixI0[] = {"14400"};
constexpr std::string_view kCreatixI1[] = {"007"};
constexpr std::string_view kCreatixI3[] = {"V1.600-DS29F"};
constexpr std::string_view kCreatixI4[] = {"Creatix Polymedia GmbH germ V1.61 14/12/94"};
constexpr std::string_view kCreatixI6[] = {"RCV144DPi Rev CA"};
// Two groups without parentheses, as the modem writes them.
constexpr std::string_view kCreatixDis[] = {"(0,1),(0-5),(0-2),(0-2),(0,1),0,0,(0-7)"};
constexpr ClassQuery kCreatix[] = {
    {"I0", kAllClasses, kCreatixI0, "modems.db, Creatix Polymedia 14400 (RC32ACL): ATI0"},
    {"I1", kAllClasses, kCreatixI1, "modems.db, the same: ATI1"},
    {"I3", kAllClasses, kCreatixI3, "modems.db, the same: ATI3"},
    {"I4", kAllClasses, kCreatixI4, "modems.db, the same: ATI4"},
    {"I6", kAllClasses, kCreatixI6, "modems.db, the same: ATI6"},
    {"+FTM=?", kClass1, kV17Rates, "T.31 codes for a V.17 (14400) class 1 modem"},
    {"+FRM=?", kClass1, kV17Rates, "as +FTM=?"},
    {"+FMFR?", kClass2, kCreatixMaker, "modems.db, the same: AT+FMFR?"},
    {"+FMDL?", kClass2, kCreatixModel, "modems.db, the same: AT+FMDL?"},
    {"+FREV?", kClass2, kCreatixRevision, "modems.db, the same: AT+FREV?"},
    {"+FDIS=?", kClass2, kCreatixDis, "modems.db, the same: AT+FDCC=? (class 2 answers +FDIS=? alike)"},
};

// Practical Peripherals PM14400FXMT, classes 1 and 2; its +FDIS=? is the
// "usual AT+FDIS mistake" HylaFAX works around, here a bare OK.
constexpr std::string_view kPPIMaker[] = {"2.42 (c) Practical Peripherals Inc. 1993."};
constexpr std::string_view kPPIModel[] = {"PM14400FMXT [6R4] 2.42"};
constexpr std::string_view kPPIRevision[] = {"Version 2.42"};
constexpr std::string_view kPPII3[] = {"PM14400FMXT [6R4] Version 2.42 (c) Practical Peripherals Inc. 1993."};
constexpr std::string_view kPPII4[] = {"a097840F284C6703F"};
constexpr ClassQuery kPPI[] = {
    {"I3", kAllClasses, kPPII3, "modems.db, Practical Peripherals PM14400FXMT (2.42): ati3"},
    {"I4", kAllClasses, kPPII4, "modems.db, the same: ati4"},
    {"+FTM=?", kClass1, kV17Rates, "T.31 codes for a V.17 (14400) class 1 modem"},
    {"+FRM=?", kClass1, kV17Rates, "as +FTM=?"},
    {"+FMFR?", kClass2, kPPIMaker, "modems.db, the same: at+fmfr? (the maker query answers a revision)"},
    {"+FMDL?", kClass2, kPPIModel, "modems.db, the same: at+fmdl?"},
    {"+FREV?", kClass2, kPPIRevision, "modems.db, the same: at+frev?"},
    {"+FDIS=?", kClass2, kNoText, "HylaFAX config/ppi-pm14400fxmt: Class2DDISCmd for its broken +FDIS"},
};

// Hayes Optima 336B (Rockwell RC288DPI), class 2 by HylaFAX's prototype.
constexpr std::string_view kOptimaModel[] = {"OPTIMA 33600"};
constexpr ClassQuery kOptima[] = {
    {"+FMDL?", kClass2, kOptimaModel, "HylaFAX config/hayes: CONFIG: CLASS2: *-\"OPTIMA 33600\"-*"},
};

// Davicom DM336P PnP, class 2 and voice; it claims 2-D coding it refuses.
constexpr std::string_view kDavicomI0[] = {"V3.00"};
constexpr std::string_view kDavicomI2[] = {"TEST OK"};
constexpr std::string_view kDavicomI3[] = {"DAVICOM DATA/FAX MODEM, DATE 97/09/22"};
constexpr std::string_view kDavicomI4[] = {"DAVICOM V.34+/FAX/VOICE/SPEAKERPHONE MODEM/Ver 1.09"};
constexpr std::string_view kDavicomDis[] = {"(0,1),(0-5),(0-2),(0-2),(0,1),0,0,(0-7)"};
constexpr ClassQuery kDavicom[] = {
    {"I0", kAllClasses, kDavicomI0, "modems.db, DAVICOM PnP voice/fax/data modem: ATI"},
    {"I2", kAllClasses, kDavicomI2, "modems.db, the same: ATI2"},
    {"I3", kAllClasses, kDavicomI3, "modems.db, the same: ATI3"},
    {"I4", kAllClasses, kDavicomI4, "modems.db, the same: ATI4"},
    {"I5", kAllClasses, kNoText, "modems.db, the same: ATI5 OK"},
    {"I6", kAllClasses, kNoText, "modems.db, the same: ATI6 OK"},
    {"I7", kAllClasses, kNoText, "modems.db, the same: ATI7 OK"},
    {"+FDIS=?", kClass2, kDavicomDis,
     "HylaFAX config/davicom-2: Class2DCCQueryCmd with the 2-D (0,1) 'the modem reports' put back"},
};

// E-Tech Golden Bullet E336RVP (Rockwell RCV336), class 1.0 and VoiceView.
constexpr std::string_view kETechI0[] = {"33600"};
constexpr std::string_view kETechI3[] = {"V2.050-V34_ACF_DS1"};
constexpr std::string_view kETechI6[] = {"RCV336DPFSP Rev 44BC"};
constexpr ClassQuery kETech[] = {
    {"I0", kAllClasses, kETechI0, "modems.db, E-Tech Golden Bullet E336RVP: ATI0"},
    {"I3", kAllClasses, kETechI3, "modems.db, the same: ATI3"},
    {"I6", kAllClasses, kETechI6, "modems.db, the same: ATI6"},
    {"+FTM=?", kClass1 | kClass10, kV17Rates, "T.31 codes for a V.17 (14400) class 1 modem"},
    {"+FRM=?", kClass1 | kClass10, kV17Rates, "as +FTM=?"},
};

}  // namespace

// Class lists: the modem's own +FCLASS=? words where a document quotes
// them, otherwise the classes it lists, written the usual way.
constexpr Profile kRealProfiles[] = {
    // modems.db ati7 "Fax Options Class 1/Class 2.0"; HylaFAX usr-rts (CLASS1), usr-2.0 (CLASS2.0).
    Profile{"real:usr-courier-v34", kClass0 | kClass1 | kClass20, false, false, "", "", kCourier, {}, "0,1,2.0",
            kUSRoboticsFlow, true},
    Profile{"real:usr-sportster-v34", kClass0 | kClass1 | kClass20, false, false, "", "", kSportster, {},
            "0,1,2.0", kUSRoboticsFlow, true},
    // modems.db: class 2 and, with 6.12, 2.0 (HylaFAX zyxel-1496e-2.0); vgetty: voice.
    Profile{"real:zyxel-u1496eg", kClass0 | kClass2 | kClass20 | kClass8, false, false, "", "", kZyXEL, {},
            "0,2,2.0,8", kZyXELFlow, true},
    Profile{"real:telebit-t3000", kClass0 | kClass2, false, false, "", "", kTelebit, {}, "0,2", kTelebitFlow, true},
    Profile{"real:multitech-mt1432", kClass0 | kClass2, false, false, "", "", kMT1432, {}, "0,2", kMultiTechFlow,
            true},
    // HylaFAX lucent (CLASS1), lucent-mt-2 (CLASS2), lucent-mt-20 (CLASS2.0).
    Profile{"real:multitech-mt5634zba", kClass0 | kClass1 | kClass2 | kClass20, false, false, "", "", kMT5634, {},
            "0,1,2,2.0", kHayesStyleFlow, true},
    // modems.db: sendfax (class 2), vgetty (voice); RC32ACL: class 1. The
    // list is written in the range form some firmware uses.
    Profile{"real:creatix-rc32acl", kClass0 | kClass1 | kClass2 | kClass8, false, false, "", "", kCreatix, {},
            "(0-2),8", kRockwellFlow, true},
    Profile{"real:ppi-pm14400fxmt", kClass0 | kClass1 | kClass2, false, false, "", "", kPPI, {}, "0,1,2",
            kHayesStyleFlow, true},
    Profile{"real:hayes-optima-336", kClass0 | kClass2, false, false, "", "", kOptima, {}, "0,2", kHayesStyleFlow,
            true},
    // modems.db: "AT+FCLASS=? 0,2,8".
    Profile{"real:davicom-dm336p", kClass0 | kClass2 | kClass8, false, false, "", "", kDavicom, {}, "0,2,8",
            kHayesStyleFlow, true},
    // modems.db: "AT+FCLASS=?             0,1,1.0,80".
    Profile{"real:etech-e336rvp", kClass0 | kClass1 | kClass10 | kClass80, false, false, "", "", kETech, {},
            "0,1,1.0,80", kRockwellFlow, true},
};

std::span<const Profile> RealProfiles() { return kRealProfiles; }

}  // namespace quillfen::modemsim
