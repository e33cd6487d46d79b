// A text note linked to an image-group file (type id 103): it shows one
// picture of the group in its box and steps through them with clicks on
// its halves or the wheel. Its text is the group file's full path.
#pragma once

#include "TextNote.h"

#include <memory>
#include <vector>

class CDib;

class CImageGroupHotSpot : public CTextNote {
public:
    CImageGroupHotSpot(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                       int measurement = 0);
    ~CImageGroupHotSpot() override;

    void SetReferencePath(const CString& path) { m_referencePath = path; }
    const CString& GetReferencePath() const { return m_referencePath; }

    // Asks the user for the pictures and writes a new group file of them.
    void ChoosePictures();
    // Writes the group file of the pictures, in this order, beside the
    // marker file and shows the middle one.
    void MakeGroup(const std::vector<CString>& pictures);
    void LoadLinkedMedia() override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;
    // The record, and the shown picture's index into the group file when it changed.
    bool GetRecord(zelvo::annotation::ObjectRecord& out) const override;
    void DeleteLinkedFile() override;
    void Draw(HDC dc) override;
    int OnLButtonUp(int x, int y) override;
    int OnMouseMove(int x, int y) override;
    int OnMouseWheel(UINT flags, short delta, int x, int y) override;

    CDib* Picture() const { return m_picture.get(); }
    int GetPictureCount() const { return m_count; }
    int GetCurrentIndex() const { return m_current; }

private:
    // Goes to a picture; 1 (the note took the event).
    int StepTo(int index);
    // Decodes the picture at an offset of the group file into the shown
    // picture; a file that cannot be opened leaves the shown one.
    void ShowPictureAt(uint32_t offset);
    // Writes the shown index into the group file when the file holds another.
    void StoreCurrentIndex() const;
    void DrawChevrons(HDC dc, const RECT& r) const;

    std::unique_ptr<CDib> m_picture;
    int m_count = 0;
    int m_current = 0;
    std::vector<uint32_t> m_offsets;
    CString m_referencePath;
};
