// URLs that come from the command line, this start's or a later one's.
#include "app/form1.h"

#include "widgets/memo.h"

void TForm1::AddUrls(const QStringList& urls) {
    for (const QString& url : urls)
        if (const QString trimmed = url.trimmed(); !trimmed.isEmpty())
            Memo1->addLine(trimmed);
}
