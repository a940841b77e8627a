// nvpublish: the maker's publishing tool. Puts the monster data folder on the web site
// folder together with the update list and database version that the program's
// downloader reads, and checks a data folder for what would trouble players.

#include "publish.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kUsage = uR"(Usage: nvpublish [--keep N] [--wait SECONDS] DATA_DIR SITE_DIR BASE_URL
       nvpublish --check DATA_DIR
       nvpublish --help

Publishes the monster data folder DATA_DIR into the web site folder SITE_DIR, which is
served at BASE_URL. Each changed file goes to SITE_DIR/monster/files/<database version>/,
an address that is never written again; then the update list SITE_DIR/monster/update.dat
and the database version SITE_DIR/monster/vers.dat are replaced, and last DATA_DIR's own
update.dat and vers.dat are brought to what was published. Unchanged files keep their
versions and addresses; when nothing changed, the site is not written. Anything that would
break the update is refused, and then nothing is written.

  --keep N        keep a file that is no longer listed for N more publications (default 3),
                  for players still fetching what an earlier update.dat listed
  --wait SECONDS  how long to wait for another nvpublish publishing into SITE_DIR (default 30)
  --check         only check DATA_DIR and print what it finds, by file and line
  --help          print this text

Exit status: 0 done or clean, 1 refused, failed or problems found, 2 bad usage.)"_s;

void print(std::FILE *to, const QString &text)
{
    std::fputs(qPrintable(text + u'\n'), to);
}

int badUsage(const QString &message)
{
    print(stderr, u"nvpublish: "_s + message);
    print(stderr, u"Try 'nvpublish --help'."_s);
    return 2;
}

int check(const QString &dataDir)
{
    if (!QFileInfo(dataDir).isDir())
        return badUsage(dataDir + u" is not a folder"_s);
    const publish::Check check = publish::checkDataFolder(dataDir);
    for (const publish::Finding &finding : check.findings)
        print(stdout, finding.text() + (finding.refuses ? u" (refused when publishing)"_s : u""_s));
    print(stdout, u"%1: %2 records, %3 files, %4"_s.arg(
                      dataDir, QString::number(check.records), QString::number(check.names.size()),
                      check.findings.isEmpty() ? u"no problems"_s
                                               : u"%1 problems"_s.arg(check.findings.size())));
    return check.findings.isEmpty() ? 0 : 1;
}

int publishFolder(const publish::Request &request)
{
    if (!QFileInfo(request.dataDir).isDir())
        return badUsage(request.dataDir + u" is not a folder"_s);
    const publish::Outcome outcome = publish::publish(request);
    // The rest of the check's findings do not stop publishing; --check lists them.
    if (!outcome.notes.isEmpty())
        print(stdout, u"note: nvpublish --check %1 finds %2 problems that do not stop publishing"_s
                          .arg(request.dataDir)
                          .arg(outcome.notes.size()));
    if (!outcome.refusals.isEmpty()) {
        for (const publish::Finding &refusal : outcome.refusals)
            print(stderr, u"nvpublish: "_s + refusal.text());
        print(stderr, u"nvpublish: refused; nothing written"_s);
        return 1;
    }
    if (!outcome.writeError.isEmpty()) {
        print(stderr, u"nvpublish: %1; the site still serves a whole release: run nvpublish "
                      u"again to finish"_s.arg(outcome.writeError));
        return 1;
    }
    const QString dataLists =
        outcome.dataFolderWritten
            ? u" %1's update.dat and vers.dat now match it."_s.arg(request.dataDir)
            : QString();
    if (!outcome.written) {
        print(stdout, u"Nothing changed since database version %1; the site is as it was.%2"_s.arg(
                          outcome.databaseVersion, dataLists));
        return 0;
    }
    int counts[publish::kChangeKinds] = {};
    for (const publish::FileChange &file : outcome.files) {
        static const QString words[publish::kChangeKinds] = {u"new"_s, u"changed"_s, u"unchanged"_s,
                                                             u"dropped"_s};
        ++counts[int(file.change)];
        if (file.change == publish::Change::Dropped)
            print(stdout, u"dropped   "_s + file.name);
        else if (file.change != publish::Change::Unchanged)
            print(stdout, u"%1 %2 (version %3, %4 bytes)"_s.arg(
                              words[int(file.change)].leftJustified(9), file.name, file.version,
                              QString::number(file.size)));
    }
    print(stdout,
          u"Published database version %1 to %2: %3 files listed (%4 new, %5 changed, "
          u"%6 unchanged), %7 dropped, %8 old files removed.%9"_s.arg(
              outcome.databaseVersion, request.siteDir,
              QString::number(counts[0] + counts[1] + counts[2]), QString::number(counts[0]),
              QString::number(counts[1]), QString::number(counts[2]), QString::number(counts[3]),
              QString::number(outcome.removed), dataLists));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(u"--help"_s) || args.contains(u"-h"_s)) {
        print(stdout, kUsage);
        return 0;
    }
    if (args.value(0) == u"--check")
        return args.size() == 2 ? check(args[1]) : badUsage(u"--check takes one DATA_DIR"_s);
    publish::Request request;
    for (qsizetype i = 0; i < args.size();) {
        if (args[i] != u"--keep" && args[i] != u"--wait") {
            if (args[i].startsWith(u'-'))
                return badUsage(u"unknown option "_s + args[i]);
            ++i;
            continue;
        }
        bool whole = false;
        const int value = args.value(i + 1).toInt(&whole);
        if (!whole || value < 0)
            return badUsage(args[i] + u" takes a whole number, 0 or more"_s);
        (args[i] == u"--keep" ? request.keep : request.waitSeconds) = value;
        args.remove(i, 2);
    }
    if (args.size() != 3)
        return badUsage(u"expected DATA_DIR SITE_DIR BASE_URL"_s);
    request.dataDir = args[0];
    request.siteDir = args[1];
    request.baseUrl = args[2];
    return publishFolder(request);
}
