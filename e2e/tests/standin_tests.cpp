// Table tests for the rundll32 stand-in's pure parts: command-line splitting,
// PrintUIEntry option parsing, INF lookup and text decoding. Runs under
// Wine (or Windows); an optional argument names the shipped vnvprint.inf,
// which must then yield the package's driver files.
// Ends with "N passed, N failed"; exit code 1 when anything failed.
#include <string>
#include <vector>

#include <windows.h>

#include "inf_reader.h"
#include "printui_args.h"
#include "wide_text.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Say(const std::wstring& text) { e2e::WriteUtf8(GetStdHandle(STD_OUTPUT_HANDLE), text + L"\n"); }

std::wstring Joined(const std::vector<std::wstring>& items) {
    std::wstring out = L"[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? L"|" : L"") + items[i];
    return out + L"]";
}

void Check(const std::wstring& row, const std::wstring& expected, const std::wstring& got) {
    if (expected == got) {
        ++g_passed;
        return;
    }
    ++g_failed;
    Say(L"FAIL " + row + L"\n  expected: " + expected + L"\n  got:      " + got);
}

void TestSplitCommandLine() {
    struct Case {
        const wchar_t* commandLine;
        std::vector<std::wstring> args;
    };
    static const Case kCases[] = {
        {L"a b\tc", {L"a", L"b", L"c"}},
        {L"  lead  and  trail  ", {L"lead", L"and", L"trail"}},
        {L"x \"Velnor图像虚拟打印机\" /q", {L"x", L"Velnor图像虚拟打印机", L"/q"}},
        {L"x /f \"C:\\Velnor 安装 dir\\vnvprint.inf\"",
         {L"x", L"/f", L"C:\\Velnor 安装 dir\\vnvprint.inf"}},
        {L"x \"a\\\"b\"", {L"x", L"a\"b"}},
        {L"x \"C:\\dir\\\\\" next", {L"x", L"C:\\dir\\", L"next"}},
        {L"x a\\\\b", {L"x", L"a\\\\b"}},
        {L"x \"\" y", {L"x", L"", L"y"}},
        {L"x \"a\"\"b\"", {L"x", L"a\"b"}},
        {L"x ab\"c d\"e", {L"x", L"abc de"}},
    };
    for (const Case& c : kCases) {
        Check(L"SplitCommandLine(" + std::wstring(c.commandLine) + L")", Joined(c.args),
              Joined(e2e::SplitCommandLine(c.commandLine)));
    }
}

std::wstring Describe(const e2e::PrintUiRequest& r) {
    if (!r.ok) return L"refused";
    static const wchar_t* const kActions[] = {L"none", L"dl", L"dd", L"if"};
    return std::wstring(kActions[static_cast<int>(r.action)]) + L" n=" + r.printerName +
           L" b=" + r.baseName + L" f=" + r.infPath + L" r=" + r.port + L" m=" + r.model +
           (r.quiet ? L" q" : L"");
}

void TestParsePrintUiArgs() {
    struct Case {
        const wchar_t* commandLine;
        const wchar_t* expected;
    };
    static const Case kCases[] = {
        // The installer's three commands, character for character.
        {L"C:\\windows\\system32\\rundll32.exe printui.dll, PrintUIEntry /dl /n \"Velnor 图像 1\" /q",
         L"dl n=Velnor 图像 1 b= f= r= m= q"},
        {L"C:\\windows\\system32\\rundll32.exe printui.dll,PrintUIEntry /dd /m \"VnVPrint\" /q "
         L"/f \"C:\\Velnor 安装 dir\\vnvprint.inf\" /r \"LPT1:\" /m \"VnVPrint\"",
         L"dd n= b= f=C:\\Velnor 安装 dir\\vnvprint.inf r=LPT1: m=VnVPrint q"},
        {L"C:\\windows\\system32\\rundll32.exe printui.dll, PrintUIEntry /if /b "
         L"\"Velnor图像虚拟打印机\" /f \"C:\\d\\vnvprint.inf\" /r \"Velnor Local Port\" /m \"VnVPrint\"",
         L"if n= b=Velnor图像虚拟打印机 f=C:\\d\\vnvprint.inf r=Velnor Local Port m=VnVPrint"},
        {L"rundll32 PRINTUI.DLL,printuientry /DL /N p", L"dl n=p b= f= r= m="},
        // Refusals.
        {L"rundll32 shell32.dll,Control_RunDLL /dl /n p", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntryW /dl /n p", L"refused"},
        {L"rundll32 printui.dll, /dl /n p", L"refused"},
        {L"rundll32 printui.dll,", L"refused"},
        {L"rundll32", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /dl /n", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /dl /n \"\"", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /dl /n p /z", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /dl /dd /n p /m m", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /dd /m a /m b", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /if /b p /f f.inf /m m", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /dl", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /dd /q", L"refused"},
        {L"rundll32 printui.dll,PrintUIEntry /q", L"refused"},
    };
    for (const Case& c : kCases) {
        Check(L"ParsePrintUiArgs(" + std::wstring(c.commandLine) + L")", c.expected,
              Describe(e2e::ParsePrintUiArgs(e2e::SplitCommandLine(c.commandLine))));
    }
}

std::wstring Describe(const e2e::PrinterDriverFiles& f) {
    if (!f.ok) return L"error";
    return L"section=" + f.installSection + L" driver=" + f.driverFile + L" config=" +
           f.configFile + L" data=" + f.dataFile + L" help=" + f.helpFile + L" type=" +
           f.defaultDataType + L" deps=" + Joined(f.dependentFiles);
}

const wchar_t kBasicInf[] =
    L"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
    L"[Manufacturer]\r\n%Mfg%=Mfg,NTamd64\r\n"
    L"[Mfg.NTamd64]\r\n\"VnVPrint\" = VnV_Install, HWID ; a comment\r\n"
    L"%Other% = Other_Install\r\n"
    L"[Mfg]\r\n\"VnVPrint\"=Legacy_Install\r\n"
    L"[VnV_Install]\r\nCopyFiles=VnV_Files,@extra.dll\r\nDriverFile=d.dll\r\n"
    L"ConfigFile=c.dll\r\nDataFile=\"data;1.dat\"\r\nHelpFile=h.hlp\r\n"
    L"[VnV_Files]\r\nd.dll\r\nc.dll\r\ndep1.dll,,,0x20\r\nh.hlp\r\n"
    L"[Other_Install]\r\nDataSection=Shared_Data\r\nDriverFile=o.dll\r\n"
    L"[Shared_Data]\r\nConfigFile=sc.dll\r\nDataFile=sd.dat\r\nDriverFile=ignored.dll\r\n"
    L"[Legacy_Install]\r\nDriverFile=l.dll\r\nConfigFile=l.dll\r\nDataFile=l.dat\r\n"
    L"[Strings]\r\nMfg=\"Velnor\"\r\nOther=\"Other \"\"Model\"\"\"\r\n";

const wchar_t kDecoratedInstallInf[] =
    L"[Manufacturer]\nM=Models\n[Models]\nVnVPrint=Inst\n"
    L"[Inst]\nDriverFile=plain.dll\nConfigFile=plain.dll\nDataFile=plain.dat\n"
    L"[Inst.NTamd64]\nDriverFile=x64.dll\\\n\nConfigFile=c64.dll\nDataFile=d64.dat\n";

void TestFindModelDriverFiles() {
    struct Case {
        const wchar_t* inf;
        const wchar_t* model;
        const wchar_t* platform;
        const wchar_t* expected;
    };
    static const Case kCases[] = {
        {kBasicInf, L"VnVPrint", L"amd64",
         L"section=VnV_Install driver=d.dll config=c.dll data=data;1.dat help=h.hlp type= "
         L"deps=[dep1.dll|extra.dll]"},
        {kBasicInf, L"vnvprint", L"amd64",
         L"section=VnV_Install driver=d.dll config=c.dll data=data;1.dat help=h.hlp type= "
         L"deps=[dep1.dll|extra.dll]"},
        // No NTx86 decoration: the plain models section applies.
        {kBasicInf, L"VnVPrint", L"x86",
         L"section=Legacy_Install driver=l.dll config=l.dll data=l.dat help= type= deps=[]"},
        {kBasicInf, L"Other \"Model\"", L"amd64",
         L"section=Other_Install driver=o.dll config=sc.dll data=sd.dat help= type= deps=[]"},
        {kBasicInf, L"Missing", L"amd64", L"error"},
        {L"[Version]\nClass=Printer\n", L"VnVPrint", L"amd64", L"error"},
        {L"[Manufacturer]\nM=Models\n[Models]\nVnVPrint=Inst\n[Inst]\nDriverFile=d.dll\n",
         L"VnVPrint", L"amd64", L"error"},
        {L"[Manufacturer]\nM=Models\n[Models]\nVnVPrint=NoSuchSection\n", L"VnVPrint", L"amd64",
         L"error"},
        {kDecoratedInstallInf, L"VnVPrint", L"amd64",
         L"section=Inst.NTamd64 driver=x64.dll config=c64.dll data=d64.dat help= type= deps=[]"},
        {kDecoratedInstallInf, L"VnVPrint", L"x86",
         L"section=Inst driver=plain.dll config=plain.dll data=plain.dat help= type= deps=[]"},
    };
    int row = 0;
    for (const Case& c : kCases) {
        Check(L"FindModelDriverFiles row " + std::to_wstring(row++) + L" (" + c.model + L", " +
                  c.platform + L")",
              c.expected, Describe(e2e::FindModelDriverFiles(e2e::ParseInf(c.inf), c.model,
                                                              c.platform)));
    }
}

void TestDecodeTextFile() {
    struct Case {
        std::string bytes;
        const wchar_t* expected;
    };
    static const Case kCases[] = {
        {std::string("\xFF\xFE[\0A\0]\0", 8), L"[A]"},
        {"\xEF\xBB\xBFModel=\xE5\x9B\xBE", L"Model=图"},
        {"Model=\xE5\x9B\xBE", L"Model=图"},
        {"", L""},
    };
    int row = 0;
    for (const Case& c : kCases) {
        Check(L"DecodeTextFile row " + std::to_wstring(row++), c.expected,
              e2e::DecodeTextFile(c.bytes));
    }
}

void TestShippedInf(const std::wstring& path) {
    std::string bytes;
    if (!e2e::ReadWholeFile(path, &bytes)) {
        Check(L"read " + path, L"readable", L"unreadable");
        return;
    }
    e2e::InfFile inf = e2e::ParseInf(e2e::DecodeTextFile(bytes));
    static const wchar_t* const kPlatforms[] = {L"amd64", L"x86"};
    for (const wchar_t* platform : kPlatforms) {
        Check(L"shipped vnvprint.inf on " + std::wstring(platform),
              L"section=VnVPrint_Install driver=vnvdrv.dll config=vnvui.dll data=vnvprint.dat "
              L"help= type=RAW deps=[]",
              Describe(e2e::FindModelDriverFiles(inf, L"VnVPrint", platform)));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    TestSplitCommandLine();
    TestParsePrintUiArgs();
    TestFindModelDriverFiles();
    TestDecodeTextFile();
    if (argc > 1) TestShippedInf(argv[1]);
    Say(std::to_wstring(g_passed) + L" passed, " + std::to_wstring(g_failed) + L" failed");
    return g_failed == 0 ? 0 : 1;
}
