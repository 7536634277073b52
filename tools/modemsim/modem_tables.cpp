// SPDX-License-Identifier: MIT
#include "modem_tables.h"

#include <array>

namespace quillfen::modemsim {

namespace {

constexpr std::array kServiceClasses{
    ServiceClass{kClass0, "0"},  ServiceClass{kClass1, "1"},   ServiceClass{kClass10, "1.0"},
    ServiceClass{kClass2, "2"},  ServiceClass{kClass20, "2.0"}, ServiceClass{kClass21, "2.1"},
    ServiceClass{kClass8, "8"},  ServiceClass{kClass80, "80"},
};


constexpr std::array kResultWords{
    ResultWord{Result::Ok, 0, "OK"},
    ResultWord{Result::Connect, 1, "CONNECT"},
    ResultWord{Result::Ring, 2, "RING"},
    ResultWord{Result::NoCarrier, 3, "NO CARRIER"},
    ResultWord{Result::Error, 4, "ERROR"},
    ResultWord{Result::NoDialtone, 6, "NO DIALTONE"},
    ResultWord{Result::Busy, 7, "BUSY"},
    ResultWord{Result::NoAnswer, 8, "NO ANSWER"},
};

// The basic, & and \ commands of this modem. A command that is missing here,
// or a parameter outside its set, is answered ERROR. A missing parameter
// counts as 0. Deliberate gaps, to give a capability test something to find:
//   &K1, &K2  no such flow-control modes (0 off, 3 RTS/CTS, 4 XON/XOFF only)
//   &E        Hayes-style flow control is not on this modem at all
//   \Q4       only \Q0 to \Q3
//   &H        USRobotics transmit flow control is not on this modem
//   &I3..&I5  only the XON/XOFF modes &I0 to &I2
//   &R2       only &R0 and &R1
constexpr std::array kSettings{
    //      prefix letter accepted               factory effect
    Setting{'\0', 'A', Values({0}), 0, Effect::Answer},
    Setting{'\0', 'B', Range(0, 1), 0, Effect::Store},
    Setting{'\0', 'E', Range(0, 1), 1, Effect::Store},
    Setting{'\0', 'H', Range(0, 1), 0, Effect::Accept},
    Setting{'\0', 'I', Range(0, 7), 0, Effect::Information},
    Setting{'\0', 'L', Range(0, 3), 2, Effect::Store},
    Setting{'\0', 'M', Range(0, 3), 1, Effect::Store},
    Setting{'\0', 'N', Range(0, 1), 1, Effect::Store},
    Setting{'\0', 'P', Values({0}), 0, Effect::Accept},
    Setting{'\0', 'Q', Range(0, 1), 0, Effect::Store},
    Setting{'\0', 'T', Values({0}), 0, Effect::Accept},
    Setting{'\0', 'V', Range(0, 1), 1, Effect::Store},
    Setting{'\0', 'W', Range(0, 2), 0, Effect::Store},
    Setting{'\0', 'X', Range(0, 4), 4, Effect::Store},
    Setting{'\0', 'Y', Values({0}), 0, Effect::Store},
    Setting{'\0', 'Z', Values({0}), 0, Effect::Reset},
    Setting{'&', 'C', Range(0, 1), 1, Effect::Store},
    Setting{'&', 'D', Range(0, 3), 2, Effect::Store},
    Setting{'&', 'F', Values({0}), 0, Effect::Factory},
    Setting{'&', 'G', Range(0, 2), 0, Effect::Store},
    Setting{'&', 'I', Range(0, 2), 0, Effect::Store},
    Setting{'&', 'K', Values({0, 3, 4}), 3, Effect::Store},
    Setting{'&', 'L', Values({0}), 0, Effect::Store},
    Setting{'&', 'R', Range(0, 1), 1, Effect::Store},
    Setting{'&', 'S', Range(0, 1), 0, Effect::Store},
    Setting{'&', 'V', Values({0}), 0, Effect::ShowSettings},
    Setting{'&', 'W', Range(0, 1), 0, Effect::Accept},
    Setting{'\\', 'N', Range(0, 5), 3, Effect::Store},
    Setting{'\\', 'Q', Range(0, 3), 3, Effect::Store},
    Setting{'\\', 'V', Range(0, 1), 0, Effect::Store},
};

// Registers and their factory values. S1 counts rings and S3 to S5 name the
// line-editing characters; they are stored and shown, the command reader
// itself always ends a line at CR and edits with BS or DEL.
constexpr std::array kSRegisters{
    SRegister{0, 0},   SRegister{1, 0},   SRegister{2, 43},  SRegister{3, 13},
    SRegister{4, 10},  SRegister{5, 8},   SRegister{6, 2},   SRegister{7, 50},
    SRegister{8, 2},   SRegister{9, 6},   SRegister{10, 14}, SRegister{11, 95},
    SRegister{12, 50}, SRegister{18, 0},  SRegister{25, 5},  SRegister{26, 1},
    SRegister{36, 7},  SRegister{37, 0},  SRegister{38, 20}, SRegister{46, 138},
    SRegister{48, 7},  SRegister{95, 0},
};

constexpr std::string_view kClass1Rates[] = {"24,48,72,73,74,96,97,98,121,122,145,146"};
constexpr std::string_view kClass1Hdlc[] = {"3"};
constexpr std::string_view kClass2Dis[] = {"(0,1),(0-5),(0-2),(0-2),(0,1),(0),(0),(0-7)"};
constexpr std::string_view kClass20Is[] = {"(0,1),(0-5),(0-4),(0-2),(0,1),(0),(0),(0-7)"};
constexpr std::string_view kManufacturer[] = {"Quillfen"};
constexpr std::string_view kModel[] = {"QF-5690 Fax"};
constexpr std::string_view kRevision[] = {"1.04"};
constexpr std::string_view kClass2Manufacturer[] = {"\"Quillfen\""};
constexpr std::string_view kClass2Model[] = {"\"QF-5690 Fax\""};
constexpr std::string_view kClass2Revision[] = {"\"1.04\""};

constexpr std::array kClassQueries{
    ClassQuery{"+FRM=?", kClass1 | kClass10, kClass1Rates},
    ClassQuery{"+FTM=?", kClass1 | kClass10, kClass1Rates},
    ClassQuery{"+FRH=?", kClass1 | kClass10, kClass1Hdlc},
    ClassQuery{"+FTH=?", kClass1 | kClass10, kClass1Hdlc},
    ClassQuery{"+FDIS=?", kClass2, kClass2Dis},
    ClassQuery{"+FMFR?", kClass2, kClass2Manufacturer},
    ClassQuery{"+FMDL?", kClass2, kClass2Model},
    ClassQuery{"+FREV?", kClass2, kClass2Revision},
    ClassQuery{"+FIS=?", kClass20, kClass20Is},
    ClassQuery{"+MFR?", kClass10 | kClass20, kManufacturer},
    ClassQuery{"+MDL?", kClass10 | kClass20, kModel},
    ClassQuery{"+REV?", kClass10 | kClass20, kRevision},
    ClassQuery{"+GMI", kAllClasses, kManufacturer},
    ClassQuery{"+GMM", kAllClasses, kModel},
    ClassQuery{"+GMR", kAllClasses, kRevision},
};

// No page line may begin with a final word in any letter case ("Error ...",
// "Ok ..."): the program would take it for the end of the answer.
constexpr std::string_view kPage0[] = {"56000"};
constexpr std::string_view kPage1[] = {"E3A1"};
constexpr std::string_view kPage2[] = {"ROM checksum E3A1 OK", "RAM test passed"};
constexpr std::string_view kPage3[] = {"$PRODUCT"};
constexpr std::string_view kPage4[] = {
    "Quillfen Labs QF-5690",
    "Data: V.90, K56flex, V.34+, V.32bis, V.22bis, V.21, Bell 212A/103",
    "$CAPABILITIES",
    "Protocols: V.42, MNP 2-4; compression: V.42bis, MNP 5",
};
constexpr std::string_view kPage5[] = {"Country code: B5 (United States)", "NVRAM: valid, 2 stored profiles"};
constexpr std::string_view kPage6[] = {
    "Last connection: none",
    "Characters sent 0, received 0",
    "Retrains 0, renegotiations 0",
    "Termination reason: none",
};
constexpr std::string_view kPage7[] = {
    "Product type      US/Canada external",
    "Options           V.42, MNP, V.42bis, V.44",
    "Clock frequency   52.416 MHz",
    "EPROM             512k",
    "RAM               128k",
    "Firmware          1.04 (2407)",
    "DSP revision      2.31",
};
constexpr std::array<std::span<const std::string_view>, kInformationPages> kInformationPageTable{
    kPage0, kPage1, kPage2, kPage3, kPage4, kPage5, kPage6, kPage7,
};


// Modems of their own, written from the answers such modems give.

// A class 1 USB modem on a soft-modem chipset: classes 1 and 1.0 and voice,
// identity only through +GMI/+GMM/+GMR and the I pages, no class 2 at all.
constexpr std::string_view kUsbChip[] = {"CX93001-EIS_V0.2002-V92"};
constexpr std::string_view kUsbMaker[] = {"CONEXANT"};
constexpr std::string_view kUsbRates[] = {"24,48,72,73,74,96,97,98,121,122,145,146"};
constexpr std::array kUsbQueries{
    ClassQuery{"+FRM=?", kClass1 | kClass10, kUsbRates},
    ClassQuery{"+FTM=?", kClass1 | kClass10, kUsbRates},
    ClassQuery{"+FRH=?", kClass1 | kClass10, kClass1Hdlc},
    ClassQuery{"+FTH=?", kClass1 | kClass10, kClass1Hdlc},
    ClassQuery{"+FMI?", kClass10, kUsbMaker},
    ClassQuery{"+FMM?", kClass10, kUsbChip},
    ClassQuery{"+FMR?", kClass10, kUsbChip},
    ClassQuery{"+GMI", kAllClasses, kUsbMaker},
    ClassQuery{"+GMM", kAllClasses, kUsbChip},
    ClassQuery{"+GMR", kAllClasses, kUsbChip},
};
constexpr std::string_view kUsbPage0[] = {"56000"};
constexpr std::string_view kUsbPage1[] = {"CX93001-EIS_V0.2002-V92"};
constexpr std::string_view kUsbPage3[] = {"CX93001-EIS_V0.2002-V92"};
constexpr std::string_view kUsbPage4[] = {"a007840284C6002F", "bc60000000", "96000000"};
constexpr std::string_view kUsbPage5[] = {"B5"};
constexpr std::string_view kUsbPage6[] = {"USB Modem"};
constexpr std::string_view kUsbPage7[] = {"USB ID: 0572:1329"};
constexpr std::array<Page, kInformationPages> kUsbPages{
    kUsbPage0, kUsbPage1, Page{}, kUsbPage3, kUsbPage4, kUsbPage5, kUsbPage6, kUsbPage7,
};

// An external V.34 fax modem: class 2.0 with ECM, MMR and bit rates up to
// 33600, class 1 beside it, identity in the class 2.0 commands.
constexpr std::string_view kV34Ranges[] = {"(0,1),(0-D),(0-4),(0-2),(0-3),(0-2),(0),(0-7),(0)"};
constexpr std::string_view kV34Maker[] = {"Quillfen Labs"};
constexpr std::string_view kV34Model[] = {"QF-3400 V.34 Fax"};
constexpr std::string_view kV34Revision[] = {"2.15"};
constexpr std::array kV34Queries{
    ClassQuery{"+FRM=?", kClass1, kClass1Rates},
    ClassQuery{"+FTM=?", kClass1, kClass1Rates},
    ClassQuery{"+FRH=?", kClass1, kClass1Hdlc},
    ClassQuery{"+FTH=?", kClass1, kClass1Hdlc},
    ClassQuery{"+FIS=?", kClass20, kV34Ranges},
    ClassQuery{"+FCC=?", kClass20, kV34Ranges},
    ClassQuery{"+FMI?", kClass20, kV34Maker},
    ClassQuery{"+FMM?", kClass20, kV34Model},
    ClassQuery{"+FMR?", kClass20, kV34Revision},
    ClassQuery{"+MFR?", kClass20, kV34Maker},
    ClassQuery{"+MDL?", kClass20, kV34Model},
    ClassQuery{"+REV?", kClass20, kV34Revision},
    ClassQuery{"+GMI", kAllClasses, kV34Maker},
    ClassQuery{"+GMM", kAllClasses, kV34Model},
    ClassQuery{"+GMR", kAllClasses, kV34Revision},
};
constexpr std::string_view kV34Page0[] = {"33600"};
constexpr std::string_view kV34Page1[] = {"A3C5"};
constexpr std::string_view kV34Page2[] = {"ROM checksum A3C5 OK"};
constexpr std::string_view kV34Page3[] = {"$PRODUCT"};
constexpr std::string_view kV34Page4[] = {
    "Quillfen Labs QF-3400",
    "Data: V.34, V.32bis, V.22bis, V.21",
    "$CAPABILITIES",
};
constexpr std::string_view kV34Page5[] = {"Country code: 3D (Germany)"};
constexpr std::string_view kV34Page6[] = {"Last connection: none"};
constexpr std::string_view kV34Page7[] = {"Firmware 2.15"};
constexpr std::array<Page, kInformationPages> kV34Pages{
    kV34Page0, kV34Page1, kV34Page2, kV34Page3, kV34Page4, kV34Page5, kV34Page6, kV34Page7,
};

// A data-only modem of the V.32bis years: it has never heard of +FCLASS.
constexpr std::string_view kDataMaker[] = {"Quillfen Labs"};
constexpr std::string_view kDataModel[] = {"QF-1440 Data"};
constexpr std::string_view kDataRevision[] = {"1.2"};
constexpr std::array kDataOnlyQueries{
    ClassQuery{"+GMI", kAllClasses, kDataMaker},
    ClassQuery{"+GMM", kAllClasses, kDataModel},
    ClassQuery{"+GMR", kAllClasses, kDataRevision},
};
constexpr std::string_view kDataPage0[] = {"14400"};
constexpr std::string_view kDataPage1[] = {"079"};
constexpr std::string_view kDataPage3[] = {"$PRODUCT"};
constexpr std::string_view kDataPage4[] = {"Data: V.32bis, V.32, V.22bis, V.22, V.21, Bell 212A/103", "$CAPABILITIES"};
constexpr std::array<Page, kInformationPages> kDataPages{
    kDataPage0, kDataPage1, Page{}, kDataPage3, kDataPage4, Page{}, Page{}, Page{},
};

constexpr std::array kProfiles{
    // name       classes                                   numeric silent
    Profile{"fax", kClass0 | kClass1 | kClass10 | kClass2 | kClass20, false, false,
            "Quillfen Simulated V.90 Fax Modem", "Fax: Class 1, Class 1.0, Class 2, Class 2.0; V.17 14400"},
    Profile{"class1", kClass0 | kClass1 | kClass10, false, false,
            "Quillfen Simulated V.34 Class 1 Fax Modem", "Fax: Class 1, Class 1.0; V.17 14400"},
    Profile{"data", kClass0, false, false,
            "Quillfen Simulated V.90 Data Modem", "Fax: none"},
    Profile{"numeric", kClass0 | kClass1 | kClass2 | kClass20, true, false,
            "Quillfen Simulated V.32bis Fax Modem", "Fax: Class 1, Class 2, Class 2.0; V.29 9600"},
    Profile{"silent", kClass0, false, true, "", ""},
    Profile{"usbclass1", kClass0 | kClass1 | kClass10 | kClass8, false, false,
            "CX93001-EIS_V0.2002-V92", "", kUsbQueries, kUsbPages},
    Profile{"v34fax", kClass0 | kClass1 | kClass20, false, false,
            "Quillfen Labs QF-3400 V.34 Fax Modem", "Fax: Class 1, Class 2.0; V.34 33600, ECM, MMR",
            kV34Queries, kV34Pages},
    Profile{"dataonly", 0, false, false,
            "Quillfen Labs QF-1440 V.32bis Data Modem", "Fax: none", kDataOnlyQueries, kDataPages},
};
}  // namespace

std::span<const ServiceClass> ServiceClasses() { return kServiceClasses; }
std::span<const Profile> Profiles() { return kProfiles; }

std::vector<const Profile*> AllProfiles() {
    std::vector<const Profile*> all;
    for (std::span<const Profile> table : {Profiles(), RealProfiles()})
        for (const Profile& profile : table) all.push_back(&profile);
    return all;
}

const Profile* FindProfile(std::string_view name) {
    for (const Profile* profile : AllProfiles())
        if (profile->name == name) return profile;
    return nullptr;
}

const ResultWord& WordFor(Result result) {
    for (const ResultWord& row : kResultWords)
        if (row.result == result) return row;
    return kResultWords[static_cast<std::size_t>(Result::Error)];
}

std::span<const Setting> Settings() { return kSettings; }

int FindSetting(char prefix, char letter) {
    for (std::size_t i = 0; i < kSettings.size(); ++i)
        if (kSettings[i].prefix == prefix && kSettings[i].letter == letter) return static_cast<int>(i);
    return -1;
}

std::span<const SRegister> SRegisters() { return kSRegisters; }

int FindSRegister(unsigned number) {
    for (std::size_t i = 0; i < kSRegisters.size(); ++i)
        if (kSRegisters[i].number == number) return static_cast<int>(i);
    return -1;
}

std::span<const ClassQuery> ClassQueries() { return kClassQueries; }

std::span<const std::string_view> InformationPage(unsigned page) {
    if (page >= kInformationPages) return {};
    return kInformationPageTable[page];
}

}  // namespace quillfen::modemsim
