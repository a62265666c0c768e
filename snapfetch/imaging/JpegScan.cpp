// The entropy-coded scan: MCU after MCU, four blocks each (Y, Y, Cb, Cr),
// reconstructed and stored as soon as they are decoded.
#include "JpegEntropy.h"

namespace {

constexpr int kBlocksPerMcu = 4;
// The MCU's coefficients, then its samples.
constexpr SIZE_T kWorkspaceSize = 2 * kBlocksPerMcu * 64 * sizeof(LONG);

}  // namespace

BOOL CJpegDecoder::DecodeScan(const BYTE* pData, DWORD& dwPosition)
{
    // Scan data before the frame header has nowhere to go.
    if (!m_pPixels || !m_pComponentMap) return FALSE;

    HuffmanDecoder tables[2][2];  // [AC?][table number]
    ComponentDecoding components[3];
    for (int component = 0; component < 3; ++component) {
        int dcNumber = m_ScanSelectors[component][0];
        int acNumber = m_ScanSelectors[component][1];
        if (dcNumber > 1 || acNumber > 1 || !m_pDcTables[dcNumber] || !m_pAcTables[acNumber]) return FALSE;
        components[component].pDc = &tables[0][dcNumber];
        components[component].pAc = &tables[1][acNumber];
        // Both Y blocks use the quantisation table of component 1.
        SetComponentQuant(&components[component], m_QuantTables[m_pComponentMap[component]], m_ZigZag);
    }
    for (int number = 0; number < 2; ++number) {
        if (m_pDcTables[number])
            PrepareHuffmanDecoder(*m_pDcTables[number], pData + m_dwValuePositions[number], &tables[0][number]);
        if (m_pAcTables[number])
            PrepareHuffmanDecoder(*m_pAcTables[number], pData + m_dwValuePositions[2 + number], &tables[1][number]);
    }

    auto* pWorkspace = static_cast<LONG*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kWorkspaceSize));
    if (!pWorkspace) return FALSE;
    JpegBitReader reader(pData, m_dwDataLength, dwPosition);
    BOOL bDecoded = TRUE;
    LONG mcuCount = (m_nFrameHeight / 8) * (m_nFrameWidth / 16);
    for (LONG mcu = 0; mcu < mcuCount && bDecoded; ++mcu) {
        bDecoded = DecodeMcu(reader, components, m_nDcPredictors, pWorkspace);
        if (!bDecoded) break;
        LONG* pSamples = pWorkspace + 64 * kBlocksPerMcu;
        for (int block = 0; block < kBlocksPerMcu; ++block)
            ReconstructBlock(pWorkspace + 64 * block, pSamples + 64 * block);
        // An MCU made of bits beyond the data is not part of the picture.
        bDecoded = !reader.Overrun() && StoreMcu(pSamples);
    }
    dwPosition = reader.EndPosition();
    HeapFree(GetProcessHeap(), 0, pWorkspace);
    return bDecoded;
}
