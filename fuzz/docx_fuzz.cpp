// The .docx editor: a document opened and edited as the collision diagram
// edits its template (drawing objects hidden and shown, outlines coloured,
// text boxes filled, paragraphs, a page break and a table appended), then
// written under another name.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/office/word_document.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    const std::string path = fuzzing::WriteInput("diagram.docx", data, size);
    const std::string out = fuzzing::CleanFolder("out") + "saved.docx";
    try {
        auto doc = office::WordDocument::Open(path);
        int n = 0;
        for (const std::string& name : doc->ShapeNames()) {
            if (++n > 40) break;
            doc->ShapeVisible(name);
            doc->SetShapeVisible(name, n % 3 != 0);
            doc->ShapeLineColor(name);
            doc->SetShapeLineColor(name, office::WordColor(255, 0, 0));
            doc->ShapeTextColor(name);
            doc->ShapeText(name);
            doc->SetShapeText(name, "3\r\n1", n % 2 ? 0 : -1);
        }
        doc->HasParagraphStyle("Heading 1");
        doc->AppendPageBreak();
        doc->AppendParagraph("Collisions were counted at the following locations in the Collision Data Extract:");
        doc->AppendTable({{"Severity", "Count"}, {"Fatal", "1"}, {"Injury"}});
        doc->BodyParagraphs();
        doc->TableRowCounts();
        doc->SaveAs(out);
    } catch (const office::Error&) {
    }
    return 0;
}
