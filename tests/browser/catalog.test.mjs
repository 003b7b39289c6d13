// The sample in a real browser: Debian's Chromium, driven by playwright-core, opens the
// catalog, follows a link to an article, orders it through the form and reads the page that
// comes back; an article that does not exist shows the gateway's error page. Screenshots go
// to $QMT_ARTIFACTS. tests/browser/run.sh starts the server and passes its address in
// $QMT_CATALOG_URL.
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import { after, before, test } from 'node:test';
import { chromium } from 'playwright-core';

const catalogUrl = process.env.QMT_CATALOG_URL;
const artifacts = process.env.QMT_ARTIFACTS ?? 'build/artifacts';
let browser;
let page;

before(async () => {
    assert.ok(catalogUrl, 'QMT_CATALOG_URL names the catalog page');
    mkdirSync(artifacts, { recursive: true });
    // As root Chromium needs --no-sandbox; the rest keep it off a network it cannot reach.
    browser = await chromium.launch({
        executablePath: '/usr/bin/chromium',
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
            '--disable-component-update', '--disable-sync'],
    });
    page = await browser.newPage({ viewport: { width: 900, height: 640 } });
});

after(async () => {
    await browser?.close();
});

// The rows of a table as arrays of cell texts, as the browser renders them.
async function tableRows(selector) {
    return page.locator(`${selector} tbody tr`).evaluateAll(rows =>
        rows.map(row => Array.from(row.cells, cell => cell.textContent)));
}

test('the list page shows the catalog as a table', async () => {
    const response = await page.goto(catalogUrl);
    assert.equal(response.status(), 200);
    assert.equal(await page.locator('h1').textContent(), 'All articles');
    assert.deepEqual(await tableRows('#articles'), [
        ['101', 'Fountain pen', '7', '24.50'],
        ['102', 'Ink, blue', '7', '6.50'],
        ['103', 'Blotting paper', '7', '3.20'],
        ['201', 'Notebook "Ledger"', '8', '11.90'],
        ['202', 'Crème paper pad', '8', '8.90'],
    ]);
    await page.screenshot({ path: `${artifacts}/catalog-list.png`, fullPage: true });
});

test('a link leads to the article, and its form orders it', async () => {
    await page.getByRole('link', { name: 'Notebook "Ledger"' }).click();
    await page.waitForURL(/obj=Shop\.Catalog\+Item&id=201$/);
    assert.equal(await page.locator('h1').textContent(), 'Notebook "Ledger"');
    assert.equal(await page.locator('#description').textContent(), 'A5, 192 pages, squared <5 mm>, thread-bound.');

    await page.fill('#quantity', '3');
    await page.fill('#customer', `Ann <b>O'Neil</b>`);
    await page.fill('#note', 'Café & "tea", please');
    await page.screenshot({ path: `${artifacts}/catalog-item.png`, fullPage: true });
    await Promise.all([page.waitForURL(/\?$/), page.click('button[type=submit]')]);

    assert.equal(await page.locator('h1').textContent(), 'Thank you for your order');
    assert.equal(await page.locator('#summary').textContent(),
        '3 × Notebook "Ledger" (article 201, category 8, 11.90 each): 35.70');
    const rows = await tableRows('#fields');
    const order = rows.find(([name]) => name === 'order');
    assert.match(order?.[1] ?? '', /^\d+$/);
    assert.deepEqual(rows.filter(([name]) => name !== 'order'), [
        ['item', '201'],
        ['quantity', '3'],
        ['customer', `Ann <b>O'Neil</b>`],
        ['note', 'Café & "tea", please'],
    ]);
    assert.equal(await page.locator('#fields b').count(), 0, 'the name\'s markup stays text');
    await page.screenshot({ path: `${artifacts}/catalog-order.png`, fullPage: true });
});

test('an article that does not exist gives the error page, its markup shown as text', async () => {
    await page.goto(catalogUrl.replace(/List$/, 'Item&id=%3Cb%3E7%3C%2Fb%3E'));
    assert.equal(await page.title(), 'Quillmate Failure');
    const text = await page.locator('body').textContent();
    assert.match(text, /There is no article numbered "<b>7<\/b>"\./);
    assert.equal(await page.locator('td b').count(), 0);
    await page.screenshot({ path: `${artifacts}/catalog-error.png`, fullPage: true });
});
