#pragma once
// Names of the catalogue's message codes (messagecatalogue.cpp holds their
// titles, texts and styles).
namespace msg {

// notices of the message tool and the file operations
constexpr int PrintUnconfirmed = 1;
constexpr int ListOutputDone = 2;
constexpr int DeleteUnconfirmed = 3;
constexpr int RegisterUnconfirmed = 4;
constexpr int ListPrinted = 5;
constexpr int RegisteredAll = 6;
constexpr int OutputAllDone = 7;
constexpr int PrintedAll = 8;
constexpr int ClearedAll = 9;
constexpr int ReadDone = 10;
constexpr int Registered = 11;
constexpr int Deleted = 12;
constexpr int OutputStopped = 13;
constexpr int Written = 14;
constexpr int MessagePrinted = 15;
constexpr int PrintedNumber = 16;
constexpr int Removed = 17;
constexpr int CopyDone = 18;
constexpr int CopySourceMissing = 19;
constexpr int ReadFailed = 20;
constexpr int RegisterFromFileFailed = 21;

// file names and input
constexpr int BadDrive = 50;
constexpr int DriveWithoutColon = 51;
constexpr int FileMissing = 52;
constexpr int WildcardInName = 53;
constexpr int EnterFileName = 54;
constexpr int EnterFolderName = 55;
constexpr int EnterNumber = 56;
constexpr int EnterContent = 57;
constexpr int NotMessageFile = 58;
constexpr int OutOfRange = 100;
constexpr int ContentTooLarge = 101;
constexpr int InputFull = 102;
constexpr int BadList = 103;
constexpr int BadControlCode = 104;

// printer lines
constexpr int LptError = 200;
constexpr int NoCts = 201;
constexpr int PrinterBusy = 202;
constexpr int PaperEnd = 203;
constexpr int NoDsr = 204;
constexpr int NotSelected = 205;
constexpr int NoParallelSetting = 250;

// questions
constexpr int AskRegisterAll = 300;
constexpr int AskReadAll = 301;
constexpr int AskPrintAll = 302;
constexpr int AskClearAll = 303;
constexpr int AskOverwrite = 304;
constexpr int AskDelete = 305;
constexpr int NothingToRegister = 306;
constexpr int AskCreateFile = 350;
constexpr int AskCreateFolder = 351;
constexpr int AskPrint = 352;
constexpr int AskRegister = 353;
constexpr int AskKeepWatching = 354;

// ticket tool
constexpr int TicketReadDone = 613;
constexpr int TicketRegistered = 614;
constexpr int TicketDeleted = 615;
constexpr int IssueTestDone = 616;
constexpr int StartNumberSet = 621;
constexpr int NextNumberSet = 622;
constexpr int ContentSelected = 623;
constexpr int EnableSet = 624;
constexpr int FinishByRegistering = 625;
constexpr int BadNumber = 630;
constexpr int SettingUnconfirmed = 631;
constexpr int BadMagnification = 632;
constexpr int EnterSaveContent = 633;
constexpr int Saved = 634;
constexpr int AskOverwriteSaved = 635;
constexpr int AskDeleteSaved = 636;
constexpr int SavedDeleted = 637;

// unit-setting tool
constexpr int BadDecimalPoint = 821;
constexpr int BadRate = 822;
constexpr int BadComparison = 823;
constexpr int UnknownIndicator = 824;
constexpr int ChoosePrinter = 825;
constexpr int UnitRegistered = 826;
constexpr int UnitRead = 841;
constexpr int UnitPrinted = 860;
constexpr int AskResetTotals = 871;
constexpr int TotalsReset = 872;
constexpr int ResetUnconfirmed = 873;

// fingerprint manager
constexpr int FingerFileRead = 910;
constexpr int FingerFileSaved = 911;
constexpr int RegistrantsRead = 912;
constexpr int TemplatesRead = 913;
constexpr int FingerRegistered = 914;
constexpr int FingerDeleted = 915;
constexpr int FingerTestDone = 916;
constexpr int AskCheckRegistered = 921;
constexpr int TemplatesRegistered = 923;
constexpr int BadUserId = 930;
constexpr int UserIdInUse = 931;
constexpr int FingerDeletedAll = 9151;
constexpr int FingerNotRegistered = 9211;
constexpr int FingerIsRegistered = 9212;

} // namespace msg
