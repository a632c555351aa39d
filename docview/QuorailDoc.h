#pragma once
// The trace document: the lines of the listing, written to and read from a file in the
// archive form of a string array and nothing else. A failed read leaves the lines as they
// were.

#include "Document.h"
#include "StringArray.h"

class CQuorailDoc : public CDocument {
public:
    CQuorailDoc();
    ~CQuorailDoc() override;

    void Serialize(CArchive& ar) override;
    BOOL OnNewDocument() override;
    BOOL OnOpenDocument(const std::string& pathName) override;

    CStringArray m_Listing;
};
