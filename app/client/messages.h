#pragma once
// The application's own message texts. Text is Windows-1251 throughout, so the
// Russian messages are kept here as the bytes of that code page; the comment
// beside each gives the text as it reads.

#include <windows.h>

#include <cstdint>

// "Ошибка": the title of every error requester.
inline constexpr char TextErrorTitle[] = "\xce\xf8\xe8\xe1\xea\xe0";

// "Нет открытого порта": a command was asked for while no port is open.
inline constexpr char TextNoOpenPort[] =
    "\xcd\xe5\xf2\x20\xee\xf2\xea\xf0\xfb\xf2\xee\xe3\xee\x20\xef\xee\xf0\xf2\xe0";

// "Не удалось открыть порт  " (two trailing spaces): followed directly by the
// name of the port that did not open.
inline constexpr char TextPortOpenFailed[] =
    "\xcd\xe5\x20\xf3\xe4\xe0\xeb\xee\xf1\xfc\x20\xee\xf2\xea\xf0\xfb\xf2\xfc\x20\xef\xee\xf0\xf2\x20\x20";

// "Логгер не отвечает": a dump ended because the logger fell silent before
// sending the zero byte that closes it.
inline constexpr char TextLoggerNotAnswering[] =
    "\xcb\xee\xe3\xe3\xe5\xf0\x20\xed\xe5\x20\xee\xf2\xe2\xe5\xf7\xe0\xe5\xf2";

// "Недостаточно памяти": a dump ended because no memory could be had for the
// bytes waiting on the line.
inline constexpr char TextNoMemory[] =
    "\xcd\xe5\xe4\xee\xf1\xf2\xe0\xf2\xee\xf7\xed\xee\x20\xef\xe0\xec\xff\xf2\xe8";

// "Ошибка на линии: текст выгрузки может быть повреждён": the driver reported
// bytes of a dump lost or damaged on the line; its text stands in the log as
// it came.
inline constexpr char TextDumpLineError[] =
    "\xce\xf8\xe8\xe1\xea\xe0\x20\xed\xe0\x20\xeb\xe8\xed\xe8\xe8\x3a\x20\xf2\xe5\xea\xf1\xf2\x20\xe2\xfb"
    "\xe3\xf0\xf3\xe7\xea\xe8\x20\xec\xee\xe6\xe5\xf2\x20\xe1\xfb\xf2\xfc\x20\xef\xee\xe2\xf0\xe5\xe6\xe4\xb8\xed";

// "Выгрузка прервана": the log's line above the text of a dump the user
// stopped.
inline constexpr char TextDumpStopped[] =
    "\xc2\xfb\xe3\xf0\xf3\xe7\xea\xe0\x20\xef\xf0\xe5\xf0\xe2\xe0\xed\xe0";

// "Выгрузка не закончена": the last line of the kept text of a dump cut
// short (the logger fell silent, the port went, the program ended).
inline constexpr char TextDumpCut[] = "\xc2\xfb\xe3\xf0\xf3\xe7\xea\xe0 \xed\xe5 \xe7\xe0\xea\xee\xed\xf7\xe5\xed\xe0";
// "Не удалось записать файл выгрузки:" above the file's name and the reason.
inline constexpr char TextDumpFileFailed[] = "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xe7\xe0\xef\xe8\xf1\xe0\xf2\xfc \xf4\xe0\xe9\xeb \xe2\xfb\xe3\xf0\xf3\xe7\xea\xe8:";

// "Выгрузка остановлена: не хватает ресурсов системы": a dump ended early
// because the system could not give it the timer that paces its polls.
inline constexpr char TextDumpNoTimer[] =
    "\xc2\xfb\xe3\xf0\xf3\xe7\xea\xe0\x20\xee\xf1\xf2\xe0\xed\xee\xe2\xeb\xe5\xed\xe0\x3a\x20\xed\xe5"
    "\x20\xf5\xe2\xe0\xf2\xe0\xe5\xf2\x20\xf0\xe5\xf1\xf3\xf0\xf1\xee\xe2\x20\xf1\xe8\xf1\xf2\xe5\xec\xfb";

// "Форматирование" / "Стереть все показания, сохранённые в логгере?": asked
// before Format erases the logger's readings.
inline constexpr char TextFormatTitle[] = "\xd4\xee\xf0\xec\xe0\xf2\xe8\xf0\xee\xe2\xe0\xed\xe8\xe5";
inline constexpr char TextFormatQuestion[] =
    "\xd1\xf2\xe5\xf0\xe5\xf2\xfc \xe2\xf1\xe5 \xef\xee\xea\xe0\xe7\xe0\xed\xe8\xff, "
    "\xf1\xee\xf5\xf0\xe0\xed\xb8\xed\xed\xfb\xe5 \xe2 \xeb\xee\xe3\xe3\xe5\xf0\xe5?";
// Yes and No, No the default, and a warning sign: a misclick must not erase.
inline constexpr std::int32_t FormatQuestionFlags = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;

// Requester flags for the error messages: stop icon, one OK button.
inline constexpr std::int32_t ErrorRequesterFlags = 16;

// The log's context menu. After the tab, the key that does the same.
// "Копировать", Ctrl+C
inline constexpr char TextMenuCopy[] = "\xca\xee\xef\xe8\xf0\xee\xe2\xe0\xf2\xfc\tCtrl+C";
// "Выделить всё", Ctrl+A
inline constexpr char TextMenuSelectAll[] = "\xc2\xfb\xe4\xe5\xeb\xe8\xf2\xfc \xe2\xf1\xb8\tCtrl+A";
// "Сохранить журнал как...", Ctrl+S
inline constexpr char TextMenuSaveAs[] =
    "\xd1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc \xe6\xf3\xf0\xed\xe0\xeb \xea\xe0\xea...\tCtrl+S";
// "Очистить журнал"
inline constexpr char TextMenuClear[] = "\xce\xf7\xe8\xf1\xf2\xe8\xf2\xfc \xe6\xf3\xf0\xed\xe0\xeb";

// "Сохранить журнал": the title of the Save dialog.
inline constexpr char TextSaveTitle[] = "\xd1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc \xe6\xf3\xf0\xed\xe0\xeb";
// "Текстовые файлы (*.txt)" and "Все файлы (*.*)": the dialog's filters.
inline constexpr char TextTextFiles[] = "\xd2\xe5\xea\xf1\xf2\xee\xe2\xfb\xe5 \xf4\xe0\xe9\xeb\xfb (*.txt)";
inline constexpr char TextAllFiles[] = "\xc2\xf1\xe5 \xf4\xe0\xe9\xeb\xfb (*.*)";
// "Не удалось сохранить журнал в файл": followed by the file's name on the
// next line and the system's reason below it.
inline constexpr char TextSaveFailed[] =
    "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xf1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc \xe6\xf3\xf0\xed\xe0\xeb \xe2 \xf4\xe0\xe9\xeb";

// The watch's lines in the log: "Наблюдение начато, файл: " and the record
// file's path; "Наблюдение окончено, показаний: " and how many rows it wrote.
inline constexpr char TextWatchStarted[] =
    "\xcd\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5 \xed\xe0\xf7\xe0\xf2\xee, \xf4\xe0\xe9\xeb: ";
inline constexpr char TextWatchEnded[] =
    "\xcd\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5 \xee\xea\xee\xed\xf7\xe5\xed\xee, "
    "\xef\xee\xea\xe0\xe7\xe0\xed\xe8\xe9: ";
// "Порт недоступен": the reading field when a watch's slot found the port
// gone; the watch goes on and looks for it again.
inline constexpr char TextWatchPortAway[] = "\xcf\xee\xf0\xf2 \xed\xe5\xe4\xee\xf1\xf2\xf3\xef\xe5\xed";
// "Ошибка на линии: отсчёт пропущен": the reading field, when the driver
// reported a watch's reply damaged on the line; the slot is a gap.
inline constexpr char TextWatchLineError[] =
    "\xce\xf8\xe8\xe1\xea\xe0\x20\xed\xe0\x20\xeb\xe8\xed\xe8\xe8\x3a\x20\xee\xf2\xf1\xf7\xb8\xf2\x20"
    "\xef\xf0\xee\xef\xf3\xf9\xe5\xed";
// "Не удалось записать файл наблюдения": followed by the file's name on the
// next line and the system's reason below it.
inline constexpr char TextWatchFileFailed[] =
    "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xe7\xe0\xef\xe8\xf1\xe0\xf2\xfc \xf4\xe0\xe9\xeb "
    "\xed\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xff";
// "Наблюдение остановлено: не хватает ресурсов системы": the system gave the
// watch no timer for its next reading.
inline constexpr char TextWatchNoTimer[] =
    "\xcd\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5 \xee\xf1\xf2\xe0\xed\xee\xe2\xeb\xe5\xed\xee: \xed\xe5 "
    "\xf5\xe2\xe0\xf2\xe0\xe5\xf2 \xf0\xe5\xf1\xf3\xf0\xf1\xee\xe2 \xf1\xe8\xf1\xf2\xe5\xec\xfb";

// The record file's state in the log. A resumed watch's first line names
// its file; the end line adds the slots without a reading and the rows that
// never reached the disk; the file behind (with the system's reason) and
// caught up again are said once each. The requesters: a file unwritable for
// 5 minutes, and rows that filled their room in memory. A file named on the
// command line that is no record file is not written to.
// "Наблюдение возобновлено, файл: "
inline constexpr char TextWatchResumed[] = "\xcd\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5 \xe2\xee\xe7\xee\xe1\xed\xee\xe2\xeb\xe5\xed\xee, \xf4\xe0\xe9\xeb: ";
// ", пропусков: "
inline constexpr char TextWatchEndedGaps[] = ", \xef\xf0\xee\xef\xf3\xf1\xea\xee\xe2: ";
// ", не записано: "
inline constexpr char TextWatchEndedLost[] = ", \xed\xe5 \xe7\xe0\xef\xe8\xf1\xe0\xed\xee: ";
// "Файл наблюдения отстаёт, строки ждут в памяти: "
inline constexpr char TextWatchFileBehind[] = "\xd4\xe0\xe9\xeb \xed\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xff \xee\xf2\xf1\xf2\xe0\xb8\xf2, \xf1\xf2\xf0\xee\xea\xe8 \xe6\xe4\xf3\xf2 \xe2 \xef\xe0\xec\xff\xf2\xe8: ";
// "Файл наблюдения снова записывается"
inline constexpr char TextWatchFileCaughtUp[] = "\xd4\xe0\xe9\xeb \xed\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xff \xf1\xed\xee\xe2\xe0 \xe7\xe0\xef\xe8\xf1\xfb\xe2\xe0\xe5\xf2\xf1\xff";
// "Файл наблюдения не записывается уже 5 минут. Показания идут в память и на график и будут записаны, когда файл станет доступен"
inline constexpr char TextWatchFileStuck[] = "\xd4\xe0\xe9\xeb \xed\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xff \xed\xe5 \xe7\xe0\xef\xe8\xf1\xfb\xe2\xe0\xe5\xf2\xf1\xff \xf3\xe6\xe5 5 \xec\xe8\xed\xf3\xf2. \xcf\xee\xea\xe0\xe7\xe0\xed\xe8\xff \xe8\xe4\xf3\xf2 \xe2 \xef\xe0\xec\xff\xf2\xfc \xe8 \xed\xe0 \xe3\xf0\xe0\xf4\xe8\xea \xe8 \xe1\xf3\xe4\xf3\xf2 \xe7\xe0\xef\xe8\xf1\xe0\xed\xfb, \xea\xee\xe3\xe4\xe0 \xf4\xe0\xe9\xeb \xf1\xf2\xe0\xed\xe5\xf2 \xe4\xee\xf1\xf2\xf3\xef\xe5\xed";
// "Строки, ждущие записи в файл наблюдения, заняли всю отведённую им память. Дальше в файл пойдут пропуски, пока он не станет доступен"
inline constexpr char TextWatchRowsFull[] = "\xd1\xf2\xf0\xee\xea\xe8, \xe6\xe4\xf3\xf9\xe8\xe5 \xe7\xe0\xef\xe8\xf1\xe8 \xe2 \xf4\xe0\xe9\xeb \xed\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xff, \xe7\xe0\xed\xff\xeb\xe8 \xe2\xf1\xfe \xee\xf2\xe2\xe5\xe4\xb8\xed\xed\xf3\xfe \xe8\xec \xef\xe0\xec\xff\xf2\xfc. \xc4\xe0\xeb\xfc\xf8\xe5 \xe2 \xf4\xe0\xe9\xeb \xef\xee\xe9\xe4\xf3\xf2 \xef\xf0\xee\xef\xf3\xf1\xea\xe8, \xef\xee\xea\xe0 \xee\xed \xed\xe5 \xf1\xf2\xe0\xed\xe5\xf2 \xe4\xee\xf1\xf2\xf3\xef\xe5\xed";
// "Наблюдение из командной строки не начато: такого интервала нет в списке"
inline constexpr char TextStartWatchRefused[] = "\xcd\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5 \xe8\xe7 \xea\xee\xec\xe0\xed\xe4\xed\xee\xe9 \xf1\xf2\xf0\xee\xea\xe8 \xed\xe5 \xed\xe0\xf7\xe0\xf2\xee: \xf2\xe0\xea\xee\xe3\xee \xe8\xed\xf2\xe5\xf0\xe2\xe0\xeb\xe0 \xed\xe5\xf2 \xe2 \xf1\xef\xe8\xf1\xea\xe5";
// "Не понято параметров командной строки: "
inline constexpr char TextStartUnplaced[] = "\xcd\xe5 \xef\xee\xed\xff\xf2\xee \xef\xe0\xf0\xe0\xec\xe5\xf2\xf0\xee\xe2 \xea\xee\xec\xe0\xed\xe4\xed\xee\xe9 \xf1\xf2\xf0\xee\xea\xe8: ";
// "Адрес публикации из командной строки пока не используется"
inline constexpr char TextStartPublishLater[] = "\xc0\xe4\xf0\xe5\xf1 \xef\xf3\xe1\xeb\xe8\xea\xe0\xf6\xe8\xe8 \xe8\xe7 \xea\xee\xec\xe0\xed\xe4\xed\xee\xe9 \xf1\xf2\xf0\xee\xea\xe8 \xef\xee\xea\xe0 \xed\xe5 \xe8\xf1\xef\xee\xeb\xfc\xe7\xf3\xe5\xf2\xf1\xff";
// "Файл не похож на файл наблюдения, наблюдение пишется в новый: "
inline constexpr char TextWatchFileNotRecord[] = "\xd4\xe0\xe9\xeb \xed\xe5 \xef\xee\xf5\xee\xe6 \xed\xe0 \xf4\xe0\xe9\xeb \xed\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xff, \xed\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5 \xef\xe8\xf8\xe5\xf2\xf1\xff \xe2 \xed\xee\xe2\xfb\xe9: ";

// The chart of a watch. "График — Korvane": its window's title.
inline constexpr char TextChartTitle[] = "\xc3\xf0\xe0\xf4\xe8\xea \x97 Korvane";
// "Нет показаний": the chart with no reading to draw.
inline constexpr char TextChartEmpty[] = "\xcd\xe5\xf2 \xef\xee\xea\xe0\xe7\xe0\xed\xe8\xe9";
// "Последнее: ", "Мин: ", "Макс: ": each followed by a value of what is shown.
inline constexpr char TextChartLast[] = "\xcf\xee\xf1\xeb\xe5\xe4\xed\xe5\xe5: ";
inline constexpr char TextChartLow[] = "\xcc\xe8\xed: ";
inline constexpr char TextChartHigh[] = "\xcc\xe0\xea\xf1: ";
// "Наблюдение остановлено": the chart of a watch that has ended.
inline constexpr char TextChartStopped[] =
    "\xcd\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5 \xee\xf1\xf2\xe0\xed\xee\xe2\xeb\xe5\xed\xee";
// "Показано: с " the view's first time (or reading) " по " its last, and
// ", следит" while it follows the newest reading.
inline constexpr char TextChartViewFrom[] = "\xcf\xee\xea\xe0\xe7\xe0\xed\xee: \xf1 ";
inline constexpr char TextChartViewTo[] = " \xef\xee ";
inline constexpr char TextChartFollowing[] = ", \xf1\xeb\xe5\xe4\xe8\xf2";
// "Показание " the reading picked on the plot, its time and value after.
inline constexpr char TextChartPicked[] = "\xcf\xee\xea\xe0\xe7\xe0\xed\xe8\xe5 ";
// The value axis: its context menu items ("Шкала: автоматически",
// "Шкала: задать...", "Копировать", Ctrl+C) and the dialog that fixes it
// ("Шкала значений", "От:", "До:", "ОК", "Отмена"), with what it says of an
// entry it refuses.
inline constexpr char TextScaleTitle[] = "\xd8\xea\xe0\xeb\xe0 \xe7\xed\xe0\xf7\xe5\xed\xe8\xe9";
inline constexpr char TextScaleFrom[] = "\xce\xf2:";
inline constexpr char TextScaleTo[] = "\xc4\xee:";
inline constexpr char TextScaleOk[] = "\xce\xca";
inline constexpr char TextScaleCancel[] = "\xce\xf2\xec\xe5\xed\xe0";
inline constexpr char TextScaleLowNotNumber[] = "\xab\xce\xf2\xbb \x97 \xed\xe5 \xf7\xe8\xf1\xeb\xee";
inline constexpr char TextScaleHighNotNumber[] = "\xab\xc4\xee\xbb \x97 \xed\xe5 \xf7\xe8\xf1\xeb\xee";
inline constexpr char TextScaleLowNotBelow[] = "\xab\xce\xf2\xbb \xe4\xee\xeb\xe6\xed\xee \xe1\xfb\xf2\xfc \xec\xe5\xed\xfc\xf8\xe5 \xab\xc4\xee\xbb";
inline constexpr char TextChartScaleAuto[] = "\xd8\xea\xe0\xeb\xe0: \xe0\xe2\xf2\xee\xec\xe0\xf2\xe8\xf7\xe5\xf1\xea\xe8";
inline constexpr char TextChartScaleFixed[] = "\xd8\xea\xe0\xeb\xe0: \xe7\xe0\xe4\xe0\xf2\xfc...";
inline constexpr char TextChartCopy[] = "\xca\xee\xef\xe8\xf0\xee\xe2\xe0\xf2\xfc	Ctrl+C";
// The chart as a picture for reports: "Сохранить рисунок..." in its menu,
// the Save dialog's title and file type, and the requester's heading when it
// cannot be written.
inline constexpr char TextChartSavePicture[] = "\xd1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc \xf0\xe8\xf1\xf3\xed\xee\xea...";
inline constexpr char TextChartSaveTitle[] = "\xd1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc \xf0\xe8\xf1\xf3\xed\xee\xea \xe3\xf0\xe0\xf4\xe8\xea\xe0";
inline constexpr char TextPngFiles[] = "\xd0\xe8\xf1\xf3\xed\xea\xe8 PNG (*.png)";
inline constexpr char TextChartSaveFailed[] = "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xf1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc \xf0\xe8\xf1\xf3\xed\xee\xea \xe2 \xf4\xe0\xe9\xeb";

// The chart of a dump. "Выгрузка " and its time, then "— Korvane": its
// window's title.
inline constexpr char TextDumpChartTitle[] = "\xc2\xfb\xe3\xf0\xf3\xe7\xea\xe0 ";
inline constexpr char TextChartTitleEnd[] = "\x97 Korvane";
// "Показаний: ", "Среднее: ", "Ср. кинетическая: ", "Строк без числа: ":
// its summary, beside the minimum and maximum.
inline constexpr char TextDumpReadings[] = "\xcf\xee\xea\xe0\xe7\xe0\xed\xe8\xe9: ";
inline constexpr char TextDumpMean[] = "\xd1\xf0\xe5\xe4\xed\xe5\xe5: ";
inline constexpr char TextDumpKinetic[] = "\xd1\xf0. \xea\xe8\xed\xe5\xf2\xe8\xf7\xe5\xf1\xea\xe0\xff: ";
inline constexpr char TextDumpWithout[] = "\xd1\xf2\xf0\xee\xea \xe1\xe5\xe7 \xf7\xe8\xf1\xeb\xe0: ";
// "Файлы: " and the two files' names, "не записан" after one that could not
// be written.
inline constexpr char TextDumpFiles[] = "\xd4\xe0\xe9\xeb\xfb: ";
inline constexpr char TextDumpNoFile[] = "\xed\xe5 \xe7\xe0\xef\xe8\xf1\xe0\xed";
// What the x axis counts: "по оси: № показания", or "время оценено по
// интервалу логгера".
inline constexpr char TextDumpAxisNumbers[] = "\xef\xee \xee\xf1\xe8: \xb9 \xef\xee\xea\xe0\xe7\xe0\xed\xe8\xff";
inline constexpr char TextDumpTimesEstimated[] = "\xe2\xf0\xe5\xec\xff \xee\xf6\xe5\xed\xe5\xed\xee \xef\xee \xe8\xed\xf2\xe5\xf0\xe2\xe0\xeb\xf3 \xeb\xee\xe3\xe3\xe5\xf0\xe0";

// A record file opened again: "&Открыть запись..." in the File menu, the
// Open dialog's title and file type; the requesters' headings for a file
// that is no record ("Файл не является записью Korvane:"), a damaged one
// ("Запись повреждена:", then "Строка " and its number) and one that could
// not be read; and "Открыто слишком много записей. Закройте одну из них."
inline constexpr char TextMenuOpenRecord[] = "&\xce\xf2\xea\xf0\xfb\xf2\xfc \xe7\xe0\xef\xe8\xf1\xfc...";
inline constexpr char TextOpenRecordTitle[] = "\xce\xf2\xea\xf0\xfb\xf2\xfc \xe7\xe0\xef\xe8\xf1\xfc";
inline constexpr char TextRecordFiles[] = "\xc7\xe0\xef\xe8\xf1\xe8 Korvane (*.csv)";
inline constexpr char TextRecordNotRecord[] = "\xd4\xe0\xe9\xeb \xed\xe5 \xff\xe2\xeb\xff\xe5\xf2\xf1\xff \xe7\xe0\xef\xe8\xf1\xfc\xfe Korvane:";
inline constexpr char TextRecordDamaged[] = "\xc7\xe0\xef\xe8\xf1\xfc \xef\xee\xe2\xf0\xe5\xe6\xe4\xe5\xed\xe0:";
inline constexpr char TextRecordLine[] = "\xd1\xf2\xf0\xee\xea\xe0 ";
inline constexpr char TextRecordOpenFailed[] = "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xee\xf2\xea\xf0\xfb\xf2\xfc \xe7\xe0\xef\xe8\xf1\xfc:";
inline constexpr char TextRecordTooMany[] = "\xce\xf2\xea\xf0\xfb\xf2\xee \xf1\xeb\xe8\xf8\xea\xee\xec \xec\xed\xee\xe3\xee \xe7\xe0\xef\xe8\xf1\xe5\xe9. \xc7\xe0\xea\xf0\xee\xe9\xf2\xe5 \xee\xe4\xed\xf3 \xe8\xe7 \xed\xe8\xf5.";
// Its chart: "Файл: " and its name; "Пропусков: ", the slots of a watch's
// record without a reading.
inline constexpr char TextRecordFile[] = "\xd4\xe0\xe9\xeb: ";
inline constexpr char TextRecordGaps[] = "\xcf\xf0\xee\xef\xf3\xf1\xea\xee\xe2: ";

// The menu bar, its menus and their items; after the tab, the key that does
// the same. "&Файл", "&Наблюдение", "&Справка".
inline constexpr char TextMenuFile[] = "&\xd4\xe0\xe9\xeb";
inline constexpr char TextMenuWatch[] = "&\xcd\xe0\xe1\xeb\xfe\xe4\xe5\xed\xe8\xe5";
inline constexpr char TextMenuHelp[] = "&\xd1\xef\xf0\xe0\xe2\xea\xe0";
// "&Сохранить журнал...", Ctrl+S
inline constexpr char TextMenuSaveLog[] = "&\xd1\xee\xf5\xf0\xe0\xed\xe8\xf2\xfc \xe6\xf3\xf0\xed\xe0\xeb...\tCtrl+S";
// "&График": the chart of the watch, as its button opens it.
inline constexpr char TextMenuChart[] = "&\xc3\xf0\xe0\xf4\xe8\xea";
// "График последней &выгрузки": the chart of the last dump.
inline constexpr char TextMenuDumpChart[] = "\xc3\xf0\xe0\xf4\xe8\xea \xef\xee\xf1\xeb\xe5\xe4\xed\xe5\xe9 &\xe2\xfb\xe3\xf0\xf3\xe7\xea\xe8";
// "&О программе"
inline constexpr char TextMenuAbout[] = "&\xce \xef\xf0\xee\xe3\xf0\xe0\xec\xec\xe5";

// The requester of "О программе": the name and version, the publisher and
// the licence. "Korvane, версия 1.0.0", "Издатель: ...", "Лицензия MIT:
// свободная программа, см. LICENSE.txt".
inline constexpr char TextAboutTitle[] = "\xce \xef\xf0\xee\xe3\xf0\xe0\xec\xec\xe5";
inline constexpr char TextAbout[] =
    "Korvane, \xe2\xe5\xf0\xf1\xe8\xff " KORVANE_VERSION_TEXT "\n"
    "\xc8\xe7\xe4\xe0\xf2\xe5\xeb\xfc: " KORVANE_PUBLISHER_TEXT "\n"
    "\xcb\xe8\xf6\xe5\xed\xe7\xe8\xff MIT: \xf1\xe2\xee\xe1\xee\xe4\xed\xe0\xff "
    "\xef\xf0\xee\xe3\xf0\xe0\xec\xec\xe0, \xf1\xec. LICENSE.txt";
// Requester flags for information: the "i" icon, one OK button.
inline constexpr std::int32_t InformationRequesterFlags = MB_OK | MB_ICONINFORMATION;
