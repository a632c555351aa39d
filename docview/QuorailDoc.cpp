#include "QuorailDoc.h"

#include "Archive.h"

CQuorailDoc::CQuorailDoc() = default;

CQuorailDoc::~CQuorailDoc() = default;

void CQuorailDoc::Serialize(CArchive& ar)
{
    m_Listing.Serialize(ar);
}

BOOL CQuorailDoc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

BOOL CQuorailDoc::OnOpenDocument(const std::string& pathName)
{
    return CDocument::OnOpenDocument(pathName);
}
